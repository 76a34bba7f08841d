#pragma once

// Rules that pick programs to clear out of a channel list after a blind scan: scrambled
// programs, duplicates of a service, programs without a name and programs a reference file
// does not have. The "Channel List" window selects its rows with them and `cdftool clean`
// removes what they pick, so both agree on what each rule means.
//
// - scrambled: either CA bit (0x90) set, as the lists' "CA" column shows "S";
// - unnamed: a name that is empty or holds only blanks and control bytes;
// - duplicates: a later program (in list order) on the same transponder as an earlier one
//   with the same service ID, or with the same name; the first stays unpicked. A service
//   ID of 0xFFFF (a program added by hand) and an empty name say nothing;
// - not in reference: no partner in the reference as channel_matching.h finds them, the
//   matching "Order from file..." uses.

#include <QString>

#include <vector>

class ChannelDatabase;
class ProgramNode;
struct ChannelMatches;
struct Program;

namespace ProgramCleanup {

bool isScrambled(const Program& program);
bool isUnnamed(const Program& program);

// Per entry of `programs` (one channel list or a view of one, in order): whether the rule
// picks it.
std::vector<bool> scrambled(const std::vector<ProgramNode*>& programs);
std::vector<bool> unnamed(const std::vector<ProgramNode*>& programs);
std::vector<bool> duplicates(const std::vector<ProgramNode*>& programs);
// `matches` from matchChannels(database the programs belong to, reference).
std::vector<bool> notIn(const std::vector<ProgramNode*>& programs, const ChannelMatches& matches);

struct Options {
    bool scrambled = false;
    bool duplicates = false;
    bool unnamed = false;
    // The reference for "not in", or none.
    const ChannelDatabase* reference = nullptr;
};

// How many programs each rule picked; a program two rules pick counts once.
struct Counts {
    int duplicates = 0;
    int scrambled = 0;
    int unnamed = 0;
    int notInReference = 0;
    int left = 0;

    int removed() const { return duplicates + scrambled + unnamed + notInReference; }
    bool operator==(const Counts&) const = default;
};

// The programs of the database's TV and radio lists that the chosen rules pick, TV list
// first, each in list order. Scrambled, unnamed and not-in-reference are taken first, each
// program counted under the first of them that picks it; duplicates are then looked for
// among the programs that stay, so that a service never loses all of its copies.
std::vector<ProgramNode*> pick(const ChannelDatabase& database, const Options& options,
                               Counts& counts);

// "removed 1,204 programs: 1,100 duplicates, 104 unnamed; 13,596 left", naming the rules in
// use (a rule that found nothing says 0).
QString summary(const Counts& counts, const Options& options);

// Programs of the hierarchy that neither channel list holds, in tree order. After the
// "Channel List" window is applied these are the programs the user deleted there.
std::vector<ProgramNode*> unlisted(const ChannelDatabase& database);

} // namespace ProgramCleanup
