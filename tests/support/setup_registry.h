// What setup may change of the real prefix's registry, read without the
// parts with thousands of keys that no run of setup touches.
#pragma once

#include "tests/support/registry_tree.h"

namespace txr::test {

// The classes and the machine's software as setup sees them.
struct SetupRegistry {
    RegTree classes;   // HKEY_CLASSES_ROOT, paths from it
    RegTree software;  // HKEY_LOCAL_MACHINE\Software, paths from it
};

// Reads them: all of HKEY_CLASSES_ROOT but COM's own registrations
// (CLSID, Interface, TypeLib), of which the product's classes, Exchange's
// and any Quick View item are kept; all of HKEY_LOCAL_MACHINE\Software
// but its view of the classes.  Reading the rest would cost seconds a
// picture (more on an emulated processor).
SetupRegistry ReadSetupRegistry();

}  // namespace txr::test
