#include "setup/automatic_setup.h"

namespace txr {

int RunAutomaticSetup(int /*optionsFileFound*/) {
    // Pending: the unattended setup arrives with its own work.
    return 0;
}

}  // namespace txr
