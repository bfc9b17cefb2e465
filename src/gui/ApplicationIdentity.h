#pragma once

// The desktop program's name, version, icon and desktop file, set once after QApplication is
// made. No display name is set: on X11 and Wayland Qt appends a set display name to every window
// title (" — Velmora"), and each window of the program carries its own full title.
void setApplicationIdentity();
