// A guided run of the demonstration dialog that needs no display: it
// drives the dialog through its own buttons and writes what it shows.
#pragma once

#include <QString>

namespace tweenery {

class TMainForm;

// Writes into Folder: dialog.png (the idle dialog), popup.png (the dialog
// with the colour popup open), about.png (the about box) and frames/ with
// numbered PNG frames of the dialog playing several operations. Prints what
// it does on standard output; false when a file could not be written.
bool RunTour(TMainForm& Form, const QString& Folder);

}  // namespace tweenery
