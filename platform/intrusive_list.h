// Doubly linked lists threaded through the `next` and `prev` members of
// their nodes, with the list's first node in a head pointer (null when
// empty). The pool's page lists and the per-thread tables' node lists share
// these two operations.
//
// Invariants: head->prev is null; for every node n in the list,
// n->next->prev == n and n->prev->next == n where those exist. A node outside
// any list has next == prev == null.
#pragma once

// Puts `node` (outside any list) at the front of the list at `head`.
template <class Node>
void intrusiveListPushFront(Node*& head, Node* node) {
  node->prev = nullptr;
  node->next = head;
  if (head != nullptr) head->prev = node;
  head = node;
}

// Takes `node` out of the list at `head`, which holds it; afterwards the
// node is outside any list.
template <class Node>
void intrusiveListRemove(Node*& head, Node* node) {
  if (node->prev != nullptr) node->prev->next = node->next;
  if (node->next != nullptr) node->next->prev = node->prev;
  if (head == node) head = node->next;
  node->next = nullptr;
  node->prev = nullptr;
}
