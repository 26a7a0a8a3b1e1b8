// Where the maker's driver folders live, and the address their printer daemon keeps for a queue
// whose device URI does not carry one ("qzrk*" queues).
#pragma once

#include <string>
#include <vector>

// The roots searched in order: "/Library/Printers/Torvi", then "/Library/Caches/Torvi".
std::vector<std::string> LumdDriverFolderRoots();
// Tests point the search elsewhere; an empty list restores the product's roots.
void SetLumdDriverFolderRootsForTest(const std::vector<std::string>& roots);

// The device URI (I/O signature, then address) that the first driver folder knowing the queue
// records for it: each root's subfolders holding an entry "LUMD" are asked in name order, and a
// later root only when no folder of an earlier one answered. False when none does.
bool LumdAddressForQueue(const std::string& strQueueId, std::string& strUri);
