// Makes the statically linked camera-RAW plugin known to Qt's image readers. Call it once before
// the first QImageReader (the application does so before main; repeated calls do nothing). Calling
// it also keeps the linker from dropping the plugin out of the static library.
#pragma once

void registerRawPlugin();
