#pragma once
#include <string_view>

#include "job/OperatorMessages.h"

namespace zt::cli {

// The dialog's texts that the console front end has to recognise: the one box
// that waits for the operator to act, and the two that end a write job.
inline constexpr std::string_view kReplugPromptText = kReplugPrompt;
inline constexpr std::string_view kCompletionText = kCompletionMessage;
inline constexpr std::string_view kFailurePrefix = kFailureMessagePrefix;

}  // namespace zt::cli
