#pragma once
// The auxiliary windows of the program. Each is created once at start-up and
// shown modally from the main window.

#include "app/aboutform.h"
#include "recording/optionsform.h"
#include "skin/skinform.h"
#include "stations/bandform.h"
#include "stations/editstationform.h"
#include "stations/historyform.h"
