// Kinds of blocks counted into a statistics table.
#include "memory/mem_track_stats.h"

#include <cstring>

#include "memory/mem_block_iterator.h"
#include "memory/mem_track_blocks.h"

void clearStatistics(memStatTableS& table) {
  table.count = 0;
  table.unlistedBlocks = 0;
}

void addToStatistics(const memBlockHeaderS* block, memStatTableS& table) {
  if (!memBlockIsInUse(block)) return;
  const char* name = typeNameOf(block);
  for (std::uint64_t i = 0; i < table.count; ++i) {
    memStatEntryS& entry = table.entries[i];
    if (entry.size == block->sizeOrLink && std::strcmp(entry.typeName, name) == 0) {
      ++entry.count;
      return;
    }
  }
  if (table.count == memStatTableCapacity) {
    ++table.unlistedBlocks;
    return;
  }
  memStatEntryS& entry = table.entries[table.count++];
  entry.firstBlock = const_cast<memBlockHeaderS*>(block);
  entry.size = block->sizeOrLink;
  std::strncpy(entry.typeName, name, sizeof entry.typeName - 1);
  entry.typeName[sizeof entry.typeName - 1] = '\0';
  entry.count = 1;
  entry.matched = 0;
}

std::uint64_t collectStatistics(const memHeapViewC& view, memStatTableS& table) {
  clearStatistics(table);
  std::uint64_t total = 0;
  memBlockIteratorS walk = view.blocks();
  while (walk.next()) {
    if (!memBlockIsInUse(walk.block)) continue;
    addToStatistics(walk.block, table);
    total += walk.block->sizeOrLink;
  }
  return total;
}
