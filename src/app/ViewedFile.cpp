#include "app/ViewedFile.h"

namespace tambrix::app {

FileOpeners& Openers() {
    static FileOpeners openers = LibraryOpeners();
    return openers;
}

void ResetOpeners() { Openers() = LibraryOpeners(); }

}  // namespace tambrix::app
