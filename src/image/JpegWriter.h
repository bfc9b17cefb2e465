#pragma once

#include <QString>

class Prompts;
class cDIBSection;

// Writes a 24-bit bitmap as a baseline JPEG file at quality 90 through libjpeg. Failures are
// reported to the user with the program's two JPEG messages; returns whether the file was written.
bool WriteJpeg(const cDIBSection& picture, const QString& path, Prompts& prompts);
