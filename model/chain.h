#ifndef LOOPCOST_CHAIN_H
#define LOOPCOST_CHAIN_H

#include <cstddef>
#include <memory>
#include <vector>

// Terms, expressions and statement lists are chains whose head is the outer
// (rightmost or first) node. Printing and costing them in the order of their
// recursive definitions needs the innermost node first; this walks a chain
// that way without recursion, so no chain is too long for the stack. `link`
// is the member that leads from a node to the next one inwards.
template <class Node, class Visit>
void forEachInnermostFirst(const Node* head, Node* Node::*link, Visit visit) {
    const std::size_t inlineCapacity = 64;
    const Node* inlineNodes[inlineCapacity];
    std::vector<const Node*> spilled;
    std::size_t count = 0;
    for (const Node* node = head; node; node = node->*link) {
        if (count < inlineCapacity)
            inlineNodes[count] = node;
        else
            spilled.push_back(node);
        ++count;
    }
    for (std::size_t i = count; i-- > 0;)
        visit(i < inlineCapacity ? inlineNodes[i] : spilled[i - inlineCapacity]);
}

// Grows a chain inwards, as a reader that meets the outer node first makes
// it: `node` goes in behind `innermost`, or becomes the chain that `head` owns
// when there is none yet. Returns the new innermost node.
template <class Node>
Node* appendInnermost(std::unique_ptr<Node>& head, Node* innermost, Node* node, Node* Node::*link) {
    if (innermost)
        innermost->*link = node;
    else
        head.reset(node);
    return node;
}

// Compares two chains from their heads, as the recursive definitions do: at
// each place both chains must go on or both end, and the nodes' own parts
// must be equal; the first difference ends the walk.
template <class Node, class SameParts>
int equalChains(const Node* a, const Node* b, Node* Node::*link, SameParts sameParts) {
    for (;;) {
        if ((a->*link == nullptr) != (b->*link == nullptr))
            return 0;
        if (!sameParts(a, b))
            return 0;
        if (!(a->*link))
            return 1;
        a = a->*link;
        b = b->*link;
    }
}

// Deletes the chain behind `head` one node at a time: each node's link is
// taken out of it first, so that deleting the node frees only itself.
template <class Node>
void deleteChain(Node* head, Node* Node::*link) {
    while (head) {
        Node* next = head->*link;
        head->*link = nullptr;
        delete head;
        head = next;
    }
}

#endif
