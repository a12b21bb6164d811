#include "setup/install_engine.h"

namespace txr {

int UninstallWorkstation() {
    // Pending: the uninstall sequence arrives with the install engine.
    return 0;
}

}  // namespace txr
