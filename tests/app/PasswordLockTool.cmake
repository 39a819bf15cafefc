# The lock tests run the provisioning tool.
add_dependencies(app_PasswordLockTest quorvex-lock)
