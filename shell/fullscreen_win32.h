// Full screen: the demo window as a borderless popup over one monitor, with the
// display mode chosen in the setup dialog when "Fullscreen" was ticked there.
#pragma once

// Enters or leaves full screen (menu 40010, key F, once at start-up); nothing while locked.
void ToggleFullscreen();
// Undoes a display-mode change if one is in force (leaving full screen, shutdown).
void RestoreDisplayMode();
