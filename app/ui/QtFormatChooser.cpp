#include "app/ui/QtFormatChooser.h"

#include "formats/ui/TForm7.h"
#include "formats/ui/TForm8.h"

void QtFormatChooser::ResetClipCheck(bool enabled) { optionWindow_.ResetClipCheck(enabled); }

void QtFormatChooser::RunModal() { chooser_.RunModal(); }
