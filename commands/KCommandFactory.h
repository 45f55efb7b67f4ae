// Makes a command object from a line: the line names are tried in a fixed order, each compared with the
// start of the line case-insensitively over the name's length; the first match makes the object.
#pragma once

#include <memory>

#include "ICommand.h"

std::unique_ptr<ICommand> CreateCommand(const char* line);
