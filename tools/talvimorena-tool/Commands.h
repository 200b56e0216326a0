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
int RenderCommand(const TArgs& args);
int ExportMidiCommand(const TArgs& args);
int ExportMusicXmlCommand(const TArgs& args);
int RenderStyleCommand(const TArgs& args);

// Shared helpers of the commands.
bool TakeFlag(TArgs& args, const std::string& flag); // removes it when present
// "--name VALUE" or "--name=VALUE", removed when present: 1 taken (value set), 0 absent,
// -1 given without a value or more than once.
int TakeOption(TArgs& args, const std::string& name, std::string& value);
// The first argument left that looks like an option ("--..."), or "".
std::string UnknownOption(const TArgs& args);
int UsageError(const std::string& message);
