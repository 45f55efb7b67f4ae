#include "KCommandFactory.h"

#include <strings.h>

#include <cstring>

#include "KCmdActivePartition.h"
#include "KCmdChangePartitionPrimary.h"
#include "KCmdChangePartitionSerialNumber.h"
#include "KCmdChangePartitionTypeID.h"
#include "KCmdDeletePartition.h"
#include "KCmdHidePartition.h"
#include "KCmdMountPartition.h"

namespace {

template <class T>
std::unique_ptr<ICommand> make()
{
    return std::make_unique<T>();
}

struct Factory {
    const char* name;
    std::unique_ptr<ICommand> (*create)(); // none: the command is not available in this build
};

// The order decides between names that start alike ("ChangePartitionPrimary" before "ChangePartitionID").
const Factory kFactories[] = {
    {"CreatePartition", nullptr},
    {KCmdDeletePartition::kName, make<KCmdDeletePartition>},
    {KCmdHidePartition::kName, make<KCmdHidePartition>},
    {KCmdActivePartition::kName, make<KCmdActivePartition>},
    {"FormatPartition", nullptr},
    {KCmdMountPartition::kName, make<KCmdMountPartition>},
    {"LabelPartition", nullptr},
    {"InitiateDisk", nullptr},
    {"ResizePartition", nullptr},
    {"WipeDisk", nullptr},
    {"CopyPartition", nullptr},
    {"UpdateDiskBootConfig", nullptr},
    {KCmdChangePartitionPrimary::kName, make<KCmdChangePartitionPrimary>},
    {KCmdChangePartitionTypeID::kName, make<KCmdChangePartitionTypeID>},
    {KCmdChangePartitionSerialNumber::kName, make<KCmdChangePartitionSerialNumber>},
    {"MergePartition", nullptr},
    {"ChangeClusterSize", nullptr},
};

} // namespace

std::unique_ptr<ICommand> CreateCommand(const char* line)
{
    if (!line)
        return nullptr;
    for (const Factory& f : kFactories)
        if (::strncasecmp(line, f.name, std::strlen(f.name)) == 0)
            return f.create ? f.create() : nullptr;
    return nullptr;
}
