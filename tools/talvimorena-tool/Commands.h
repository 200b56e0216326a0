// The commands of talvimorena-tool. Each returns the process exit code and prints
// what went wrong to stderr in plain words.
#pragma once

#include <string>
#include <vector>

using TArgs = std::vector<std::string>;

int InfoCommand(const TArgs& args);
int DefaultKdfCommand(const TArgs& args);
int StylesCommand(const TArgs& args);
int VoicesCommand(const TArgs& args);
int ConvertCommand(const TArgs& args);
int PortsCommand(const TArgs& args);

// Shared helpers of the commands.
bool TakeFlag(TArgs& args, const std::string& flag); // removes it when present
int UsageError(const std::string& message);
