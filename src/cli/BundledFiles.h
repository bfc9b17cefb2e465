#pragma once

class HomeFolder;

// For commands that read the home folder's bundled files (Themes/, languages.txt, manual/):
// copies the missing ones there, as the desktop program's first start does, and says so on
// stderr. Nothing is said when nothing was missing. False after reporting a copy that failed.
bool installMissingBundledFiles(const HomeFolder& home);
