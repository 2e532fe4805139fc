// An order-statistic index beside the pool of a random-bars run. The pool is
// a singly linked list in ascending order, so finding its r-th node by
// walking costs r steps and a run costs BarCount squared; the index finds
// the r-th remaining bar and its predecessor in O(log BarCount), leaving
// the lists, the picks and their order exactly as the walk would.
//
// A control far larger than any picture would need a pool of billions of
// nodes. Only the first ListedBars indexes are kept in the lists; the rest
// are counted. The pool is ascending, so a draw below the listed count
// picks the same bar as the full pool would, and one above it picks an
// unlisted bar, which lies beyond every picture a component can hold along
// that side and would draw nothing (the final frame shows the whole
// entering picture as ever).
#pragma once

#include <cstdint>
#include <vector>

#include "tweenkit/Tweenery.h"

namespace tweenery {

struct TBarIndex {
  // 2^20 bars: longer than any side of a picture within the default
  // picture limit whose other side exceeds 128 pixels, and under 80 MiB of
  // lists and index at most.
  static constexpr std::int32_t ListedBars = std::int32_t{1} << 20;

  std::vector<std::int32_t> Tree;  // Fenwick tree of presence, 1-based
  std::vector<TNode*> Nodes;       // the pool node of each listed value, or nullptr
  std::int32_t Remaining = 0;      // listed values still in the pool
  std::int64_t Unlisted = 0;       // values from ListedBars on not picked yet

  // Indexes the pool from Head (values 0, 1, ... in order).
  TBarIndex(TNode* Head, std::int64_t UnlistedCount) : Unlisted(UnlistedCount) {
    for (TNode* n = Head; n; n = n->Next) Nodes.push_back(n);
    Remaining = static_cast<std::int32_t>(Nodes.size());
    Tree.assign(Nodes.size() + 1, 0);
    for (std::size_t i = 1; i < Tree.size(); ++i) {
      Tree[i] += 1;
      const std::size_t parent = i + (i & (~i + 1));
      if (parent < Tree.size()) Tree[parent] += Tree[i];
    }
  }

  // The value of the R-th (from 0) listed bar still in the pool; R < Remaining.
  std::int32_t Find(std::int32_t R) const {
    std::size_t position = 0;
    std::int32_t left = R + 1;
    std::size_t step = 1;
    while (step * 2 < Tree.size()) step *= 2;
    for (; step > 0; step /= 2)
      if (position + step < Tree.size() && Tree[position + step] < left) {
        position += step;
        left -= Tree[position];
      }
    return static_cast<std::int32_t>(position);
  }

  void Remove(std::int32_t Value) {
    for (std::size_t i = static_cast<std::size_t>(Value) + 1; i < Tree.size(); i += i & (~i + 1)) --Tree[i];
    Nodes[static_cast<std::size_t>(Value)] = nullptr;
    --Remaining;
  }
};

}  // namespace tweenery
