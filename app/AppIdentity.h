#pragma once

// Gives the application its name, "Lark Pad": the settings store's default key and the caption of
// the application's error box. Every window keeps exactly the caption it sets for itself.
void nameApplication();
