#pragma once

#include "EntryForm.h"

// What the incubator and science-park windows share beyond the framework's defaults: no
// cover and no upload, every page works alike, the number keys lookups by `code`, checking
// off also holds through merges and cascades, and an enterprise row can be located.
void declareInstitution(EntryDefinition& def);
