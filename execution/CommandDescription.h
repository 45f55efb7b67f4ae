// The rich-text description of a command, shown while it is applied: built from its parameter block
// and the target partition of the real model.
#pragma once

#include <string>

class ICommand;
class IVolumeManager;

std::string DescribeCommand(ICommand& command, IVolumeManager& manager);
// "<B>%1 of %2 pending operations.</B><BR><BR>%3"
std::string CommandInformationText(int index, int count, const std::string& description);
// The name of a wiping method.
const char* WipingMethodName(int method);
