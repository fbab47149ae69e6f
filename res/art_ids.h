#pragma once
// Ids of the program's bitmaps (made by art/make_art.sh), shared by the resource script and the
// code. Plain defines, because the resource compiler reads this file too.

// Main window background, 512 x 383, with its own title band; drawn as it is.
#define IDB_MAIN_BACKGROUND 200

// Picture buttons, 32 x 32. Magenta (#FF00FF) pixels are not part of the picture: draw with
// TransparentBlt(..., ART_KEY_COLOR).
#define IDB_BTN_ADD_RULE 201
#define IDB_BTN_REFRESH 202
#define IDB_BTN_TRANSPARENCY 203
#define IDB_BTN_SETTINGS 204
#define IDB_BTN_HELP 205
#define IDB_BTN_EDIT_RULE 206
#define IDB_BTN_DELETE_RULE 207

// Menu pictures: one strip of ART_MENU_IMAGE_COUNT pictures of ART_MENU_IMAGE_SIZE square, in
// the menu image list's order (refresh, add rule, help, edit rule, delete rule, settings, open,
// custom transparency), for ImageList_AddMasked(..., ART_KEY_COLOR).
#define IDB_MENU_IMAGES 208
#define ART_MENU_IMAGE_SIZE 16
#define ART_MENU_IMAGE_COUNT 8

// Banner across the top of the About dialog, 360 x 50; drawn as it is.
#define IDB_ABOUT_BANNER 209

#define ART_KEY_COLOR RGB(255, 0, 255)

// Every picture above is also drawn at 1.25, 1.5 and 2 times its size (the button pictures at
// 40, 48 and 64, the menu pictures at 20, 24 and 32 square): the resource id of a drawing is the
// picture's id plus the offset of its scale. Load them through ui/art.h, which picks the drawing
// for a DPI.
#define ART_ID_125 20
#define ART_ID_150 40
#define ART_ID_200 60
