#pragma once

#include <functional>

// Runs one handler of a part for the window: Guarded reports an error the handler does not handle;
// Command also refuses the handler while a command or a drag is running (TMainForm::Busy).
using TCommandRunner = std::function<void(const std::function<void()>&)>;
