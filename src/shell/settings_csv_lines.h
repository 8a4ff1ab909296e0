#pragma once

// Registers, once for the process, the CSV "#" lines of the settings that shape every display,
// made from their features' declarations: the spectrum analyser's while a transform size of its
// own is in force, then the trigger's while it is on. A feature left out of the build writes
// none.
void RegisterSettingsCsvLines();
