#include "audio/AudioSystem.h"

AudioSystem::~AudioSystem() = default;
