// The two stored options: read and repaired at start-up, written by the
// options dialog.
#pragma once

namespace vss {

class Shared;

// Fills DelayInterval and DelayRandom from the settings store. A text that is
// not accepted is replaced by the default in memory only.
void LoadSettings(Shared& module);
// Writes DelayInterval and DelayRandom as they stand.
void SaveSettings(Shared& module);

}  // namespace vss
