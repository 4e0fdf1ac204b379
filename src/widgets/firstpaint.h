#pragma once
// Start-up measurement: when SONAVEO_REPORT_FIRST_PAINT is set, the first paint of
// the main window prints "first-paint <monotonic ns>" on stderr and ends the
// process, so a benchmark can time process start to first paint; with the value
// "keep" the program goes on after printing.

void reportFirstPaint();
