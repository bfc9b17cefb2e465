#pragma once

#include "common/Prompts.h"

// The command line's answers to the program's questions: every message goes to stderr, every
// question gets its default answer (No, Cancel) and says so, since nobody is there to ask.
class ConsolePrompts : public UnattendedPrompts {
public:
    using Prompts::message;
    MessageAnswer message(const MessageRequest& request) override;
};
