// Unpacking of the embedded asset image into AssetImage (once, at start-up).
#pragma once

// Returns 1 when AssetImage holds exactly the unpacked image, 0 on any failure.
int UnpackAssets();
