#pragma once

class TForm1;
class TDM;

// Creates the program's windows once, in start-up order: the main window,
// the data module, then the other windows. The main window owns them all.
TForm1 *createProgramWindows();
