#include "mainform.h"

// Written with the settings file.
void TMainForm::SaveDefaults() {}
