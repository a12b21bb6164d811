// The saved copy of the system's Quick View entries, HKCR\QuickView.Original.
// The Quick View takeover (the install modes of TXRRegQuickView and
// TXRRegQuickViewDefault) replaces nothing of HKCR\QuickView that this copy
// does not hold, whoever calls it: the install engine, the outside
// installer script or the Support Tool's repair.  The removal of
// TXRRegQuickView puts the copy back.
#pragma once

#include "registration/registry_primitives.h"

#include <windows.h>

namespace txr::registration {

// Saves HKCR\QuickView into HKCR\QuickView.Original (SaveKeyTree: the copy
// only gains what it lacks, so the system's entries saved by the first
// install are never overwritten).  True when afterwards the copy holds
// every value and subkey of QuickView by name, or when there is no
// QuickView to save; false when anything is missing: the takeover must
// then be left out.
bool SaveQuickViewBeforeTakeover();

// The same for HKCR\QuickView held open by the caller (read access);
// shape receives what the save found of it (KeyShape).
bool SaveQuickViewBeforeTakeover(HKEY quickView, KeyShape* shape);

// True when Quick View's name (the default value of HKCR\QuickView) may be
// replaced: QuickView has none, or the saved copy holds one (saved first,
// it is the system's).  Otherwise makes the saved copy as
// SaveQuickViewBeforeTakeover does and returns its answer.  A name that
// cannot be read counts as one to save.  Costs two value reads when the
// copy is already there, as it is just after TXRRegQuickView's install.
bool QuickViewNameSaved();

}  // namespace txr::registration
