#pragma once
// The auxiliary windows of the program. Each is created once at start-up and
// shown modally from the main window.

#include "aboutform.h"
#include "bandform.h"
#include "editstationform.h"
#include "historyform.h"
#include "optionsform.h"
#include "skinform.h"
