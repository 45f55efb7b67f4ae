#include "KCommandFactory.h"

#include <strings.h>

#include <cstring>

#include "KCmdActivePartition.h"
#include "KCmdChangeClusterSize.h"
#include "KCmdMergePartition.h"
#include "KCmdFixDiskBootConfig.h"
#include "KCmdCopyPartition.h"
#include "KCmdWipeDisk.h"
#include "KCmdResizePartition.h"
#include "KCmdInitiateDisk.h"
#include "KCmdLabelPartition.h"
#include "KCmdFormatPartition.h"
#include "KCmdCreatePartition.h"
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
    std::unique_ptr<ICommand> (*create)();
};

// The order decides between names that start alike ("ChangePartitionPrimary" before "ChangePartitionID").
const Factory kFactories[] = {
    {KCmdCreatePartition::kName, make<KCmdCreatePartition>},
    {KCmdDeletePartition::kName, make<KCmdDeletePartition>},
    {KCmdHidePartition::kName, make<KCmdHidePartition>},
    {KCmdActivePartition::kName, make<KCmdActivePartition>},
    {KCmdFormatPartition::kName, make<KCmdFormatPartition>},
    {KCmdMountPartition::kName, make<KCmdMountPartition>},
    {KCmdLabelPartition::kName, make<KCmdLabelPartition>},
    {KCmdInitiateDisk::kName, make<KCmdInitiateDisk>},
    {KCmdResizePartition::kName, make<KCmdResizePartition>},
    {KCmdWipeDisk::kName, make<KCmdWipeDisk>},
    {KCmdCopyPartition::kName, make<KCmdCopyPartition>},
    {KCmdFixDiskBootConfig::kName, make<KCmdFixDiskBootConfig>},
    {KCmdChangePartitionPrimary::kName, make<KCmdChangePartitionPrimary>},
    {KCmdChangePartitionTypeID::kName, make<KCmdChangePartitionTypeID>},
    {KCmdChangePartitionSerialNumber::kName, make<KCmdChangePartitionSerialNumber>},
    {KCmdMergePartition::kName, make<KCmdMergePartition>},
    {KCmdChangeClusterSize::kName, make<KCmdChangeClusterSize>},
};

} // namespace

std::unique_ptr<ICommand> CreateCommand(const char* line)
{
    if (!line)
        return nullptr;
    for (const Factory& f : kFactories)
        if (::strncasecmp(line, f.name, std::strlen(f.name)) == 0)
            return f.create();
    return nullptr;
}
