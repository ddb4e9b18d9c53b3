#pragma once

class QComboBox;

// Editable drop-down lists announced by their caption. On Linux Qt names an
// editable combo box after its current text ("FM", "N"), so a screen reader
// never says which field it is in; a list marked here keeps its accessible
// name whatever it holds, and gives its text as the value.
void announceByCaption(QComboBox *combo);
