// Workstations for the round-trip tests: realistic and random registries
// of a workstation before setup, and what an install followed by an
// uninstall leaves of them.
//
// Install then uninstall leaves HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE as
// they were, apart from what the design itself leaves behind.  Those
// leftovers are applied to the "before" picture by the Expected...
// functions, each with the reason it stays:
//
//  1. HKCR "QuickView" keeps the default value "Orbisel" when it had none,
//     and an empty "*" subkey when it had none: the Quick View takeover
//     writes them, and its removal only puts the saved copy back (a merge)
//     and removes the product's own viewer entry below "*".  Without any
//     "QuickView" key before, the key stays with exactly these.
//  2. An Exchange menu verb that began with "&Quic" (or already "&Orbis")
//     comes back as the standard text: "&Quick View,0,2" for the two
//     Exchange keys, "&Quick View, 0, 2" for the WordMail key.  The
//     original spelling is not saved.
//  3. Parent keys that the registrations created stay, empty:
//     "*\shellex\ContextMenuHandlers" and "CLSID" below HKCR; "Uninstall",
//     "App Paths" and "Shell Extensions\Approved" below HKLM's
//     CurrentVersion.
//  4. SharedDLLs entries below the installation path are deleted: that is
//     the uninstall's purpose, not a loss.
//
// Any number of setups before the uninstall leaves the same: the saved
// copies keep what the first setup saved and only gain what they lack.
// Files: the system's VIEWERS\QUIKVIEW.EXE comes back (a workstation
// without one keeps the product's).  A setup stopped between copying the
// options file as XCVSETUP.INI into the Windows directory and deleting it
// leaves that copy; the next setup uses it and deletes it.
//
// The saved copies are made with values of at most 256 bytes and names of
// fewer than 80 characters; the fixtures stay within those limits (a larger
// value would not survive the round trip).
#pragma once

#include "tests/support/registry_tree.h"

#include <string>

namespace txr::test {

// HKCR: Quick View entries of the system viewer, of another viewer and
// "*", file types with Quick View subkeys of both kinds, Exchange verbs,
// unrelated keys; HKLM: shared files inside and outside installPath.
void RealisticWorkstation(const std::string& installPath);

// A workstation drawn from seed: Quick View entries of every kind, file
// types with Quick View subkeys of both kinds (some values text without its
// terminating zero), Exchange verbs of several types and texts, unrelated
// keys, shared files inside and outside installPath.
void RandomWorkstation(unsigned seed, const std::string& installPath);

// What install then uninstall leaves of a "before" picture of HKCR and
// HKLM (the leftovers listed above applied).
RegTree ExpectedClassesAfterUninstall(RegTree before);
RegTree ExpectedMachineAfterUninstall(RegTree before, const std::string& installPath);

// The expected picture where each leftover may also not have happened (a
// setup that stopped early leaves fewer): every key or value in which
// expected differs from before is taken as in before when actual has it so.
RegTree AllowingMissingLeftovers(const RegTree& before, RegTree expected, const RegTree& actual);

// The Exchange verb keys the fixtures may hold.
extern const char* const kExchangeVerbKeys[2];

}  // namespace txr::test
