#pragma once

class TForm1;

// Creates the program's windows once, in start-up order: the main window,
// the log session with its data module, then the other windows, and wires
// them together. The main window owns them all.
TForm1 *createProgramWindows();
