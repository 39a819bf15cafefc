#pragma once
// The style sheets of the theme engine's built-in styles, compiled into the program.
#include <QString>
#include <string_view>

// The sheet of MacOS, WinXP, DeepBlue, Protein or BlueGlass; empty for any other name.
QString BuiltInStyleSheet(std::string_view styleName);
