#pragma once

#include "audio/AudioTypes.h"

#include <QStringList>

class AudioEditor;

// The episode editor's track commands with their fixed arguments ("m_amp_plus" → amplify 120 %).
// Equaliser frequencies follow the track's rate R (band pass at R / 200 ...).
namespace trackcommands {

// Commands of the Effects menu and the two silence commands, in menu order.
QStringList effectCommands();
bool isEffectCommand(const QString& name);
// Runs one of effectCommands(), or "m_undo", "m_redo", "m_copy", "m_cut", "m_paste", "m_mix".
AudioStatus run(AudioEditor& editor, const QString& name);
// The equaliser frequency a command passes for a track rate, as a 32-bit float.
float commandFrequency(const QString& name, int sampleRate);

} // namespace trackcommands
