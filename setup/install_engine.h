// Setting a workstation up from the server copy and removing it again.
#pragma once

namespace txr {

// Removes the product from the workstation: integrations, the Quick View
// replacement, every registration and the product's keys.  Returns 0.
int UninstallWorkstation();

}  // namespace txr
