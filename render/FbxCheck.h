#pragma once

#include <string>

namespace brindlemox::render {

// A look at an FBX file (ASCII or binary) before it goes to the importer, which walks the block
// nesting and the model hierarchy recursively: a model parented to itself (directly or through
// others) makes it recurse without end, and a very deep nesting or hierarchy overflows the stack
// just the same. Both end the process, so such a file must never reach it. Real files nest a
// few blocks deep and hold hierarchies of tens of levels.
namespace fbxcheck {

constexpr int MaxNesting = 64;
constexpr int MaxHierarchyDepth = 256;
// Models reached through more than one parent are copied once per path from the root.
constexpr long MaxExpandedModels = 100000;

// Whether the bytes look like an FBX file (binary by its signature, ASCII by its header).
bool looksLikeFbx(const std::string& bytes);

// Why the FBX file in bytes must not be imported, or empty when it may be.
std::string problem(const std::string& bytes);

} // namespace fbxcheck

} // namespace brindlemox::render
