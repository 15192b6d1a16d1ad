// The top-N tables of the HTML report: the N entries of a result list with the most hits
// (ties by traffic, then by the key's bytes), each row with its hits, visits, traffic and
// share of the list's hits. Each table is a whole <table class="top ..."> with a header
// row, the rows, and a footer that tells how many of how many entries it shows.
#pragma once

#include <string>
#include <vector>

#include "stats/import_stats.h"

namespace kestrune {

// N as the placeholders take it: 25 when not given, at most 1000.
constexpr int kTopDefault = 25;
constexpr int kTopLimit = 1000;

enum class TopList { Pages, Visitors, Referrers, UserAgents, Errors, Downloads };

// The indices of the `n` entries of the list with the most hits, in table order, and the
// number of entries the list holds. Downloads are the pages whose extension is a download
// extension (when download counting is on). O(entries * log n).
struct TopSelection {
  std::vector<int> indices;
  int entries = 0;
  double hits = 0;  // of all entries of the list
};
TopSelection SelectTop(const clsImportStats& stats, TopList list, int n);

// The table of the top `n` entries of the list.
std::string TopTable(const clsImportStats& stats, TopList list, int n);

}  // namespace kestrune
