// Frequency and mode from the radio.
#include "mainwindow.h"

void TForm1::CheckBox2Click() {}
void TForm1::StartRigLink() {}
void TForm1::StopRigLink() {}
