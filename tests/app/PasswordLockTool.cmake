# The lock tests run the provisioning tool.
if(TARGET quorvex-lock AND TARGET app_PasswordLockTest)
    add_dependencies(app_PasswordLockTest quorvex-lock)
endif()
