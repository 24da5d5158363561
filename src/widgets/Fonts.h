#pragma once

// Maps the Windows font names the windows ask for (宋体, 黑体) onto the Chinese fonts
// installed on this system. Call once after the application object exists.
void installFontSubstitutes();
