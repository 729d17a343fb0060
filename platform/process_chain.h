// The process-wide variable through which the framework modules of one
// process find the head of their manager chain (abi/mgr_chain.h).
//
// Name: "ZKDYNMGRV8_%u" with key = process id XOR the high 32 bits XOR the
// low 32 bits of the process creation time (processCreationTime), so that a
// child process, which inherits its parent's variable, does not take it for
// its own. Value: the head's address as the runtime library's "%p" writes
// it, read back with the same conversion (at most 127 characters).
//
// The variable can be written by anything in the process, so an address read
// from it is used only when it plausibly names a live head of this layout:
// its first processChainHeadWords words are readable, the first of them
// points to a readable table of processChainTableSlots operations, and the
// word at processChainHeadWord holds the address itself (the head's head is
// the head). Every read goes through memorySafeRead, so no value can fault.
#pragma once

#include <cstddef>

constexpr std::size_t processChainNameSize = 128;
constexpr std::size_t processChainValueSize = 128;
constexpr std::size_t processChainHeadWords = 4;   // table, next, head, tracker
constexpr std::size_t processChainHeadWord = 2;    // the head field
constexpr std::size_t processChainTableSlots = 9;  // operations of a member

// The variable's name for this process.
void processChainVariableName(char (&name)[processChainNameSize]);

// The head the variable names, or null when the variable is absent, cannot
// be parsed or names nothing that passes the checks above ("no chain").
void* processChainHead();

// Publishes head as the chain's head; answers whether the platform took it.
bool processChainPublish(const void* head);

// Removes the variable.
void processChainWithdraw();

// The checks above on one address.
bool processChainIsPlausibleHead(const void* address);

// A member met along the next links can be called: its words and its table
// of operations are readable (its head field is not the member itself).
bool processChainMemberIsReadable(const void* member);
