#include "channels/channel_database.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <new>
#include <unordered_map>
#include <unordered_set>

namespace {
// Marks handed out to program nodes by assignListPositions and deleteTransponder. Unique over
// the whole process, so a node of another database can never carry a mark of this run.
std::uint64_t freshMark() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

template <typename List>
void removeAll(List& list, const ProgramNode* program) {
    std::erase(list, program);
}

// Inserts the entries (place, program) into the list in one pass: each lands at its place
// when the entries are put in ascending order of places, as inserting them one by one would;
// a place beyond the end appends.
void mergeAtPlaces(std::vector<ProgramNode*>& list,
                   std::vector<std::pair<int, ProgramNode*>> entries) {
    if (entries.empty())
        return;
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ProgramNode*> result;
    result.reserve(list.size() + entries.size());
    auto next = entries.begin();
    std::size_t from = 0;
    while (from < list.size() || next != entries.end()) {
        if (next != entries.end() &&
            (from == list.size() || std::size_t(next->first) <= result.size()))
            result.push_back((next++)->second);
        else
            result.push_back(list[from++]);
    }
    list = std::move(result);
}
} // namespace

SatelliteNode* ChannelDatabase::satelliteAt(int row) const {
    return row >= 0 && row < satelliteCount() ? m_satellites[std::size_t(row)].get() : nullptr;
}

int ChannelDatabase::indexOf(const SatelliteNode* satellite) const {
    if (!satellite)
        return -1;
    const auto it = std::find_if(m_satellites.begin(), m_satellites.end(),
                                 [satellite](const auto& s) { return s.get() == satellite; });
    return it == m_satellites.end() ? -1 : int(it - m_satellites.begin());
}

void ChannelDatabase::clear() {
    tvList.clear();
    radioList.clear();
    for (FavoriteGroup& group : favoriteGroups) {
        group.tvMembers.clear();
        group.radioMembers.clear();
    }
    favoriteGroupCount = 0;
    programSatellites.clear();
    m_satellites.clear();
    m_transponderTotal = 0;
    lnbConfigs.clear();
    lnbConfigCount = 0;
}

const LnbConfig* ChannelDatabase::lnbConfigAt(std::uint8_t index) const {
    if (layout != 1 || index >= lnbConfigCount || index >= lnbConfigs.size())
        return nullptr;
    return &lnbConfigs[index];
}

LnbConfig* ChannelDatabase::lnbConfigAt(std::uint8_t index) {
    return const_cast<LnbConfig*>(std::as_const(*this).lnbConfigAt(index));
}

SatelliteNode* ChannelDatabase::appendSatellite(Satellite satellite) {
    if (satelliteCount() >= ChannelLimits::maxSatellites)
        return nullptr;
    try {
        auto node = std::make_unique<SatelliteNode>(std::move(satellite));
        m_satellites.push_back(std::move(node));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return m_satellites.back().get();
}

TransponderNode* ChannelDatabase::appendTransponder(SatelliteNode* satellite,
                                                    Transponder transponder) {
    if (indexOf(satellite) < 0)
        return nullptr;
    return attachTransponder(satellite, transponder);
}

TransponderNode* ChannelDatabase::attachTransponder(SatelliteNode* satellite,
                                                    Transponder transponder) {
    if (m_transponderTotal >= ChannelLimits::maxTransponders)
        return nullptr;
    try {
        auto node = std::make_unique<TransponderNode>(transponder, satellite);
        satellite->m_transponders.push_back(std::move(node));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ++m_transponderTotal;
    return satellite->m_transponders.back().get();
}

ProgramNode* ChannelDatabase::appendProgram(TransponderNode* transponder, Program program) {
    if (!transponder || indexOf(transponder->satellite()) < 0)
        return nullptr;
    return attachProgram(transponder, std::move(program));
}

ProgramNode* ChannelDatabase::attachProgram(TransponderNode* transponder, Program program) {
    std::vector<ProgramNode*>& list = program.hasVideo() ? tvList : radioList;
    if (list.size() >= std::size_t(ChannelLimits::maxProgramsPerList))
        return nullptr;
    ProgramNode* added = nullptr;
    try {
        auto node = std::make_unique<ProgramNode>(std::move(program), transponder);
        added = node.get();
        list.push_back(added);
        try {
            transponder->m_programs.push_back(std::move(node));
        } catch (const std::bad_alloc&) {
            list.pop_back();
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    (added->isTv() ? transponder->m_tvCount : transponder->m_radioCount) += 1;
    return added;
}

bool ChannelDatabase::deleteProgram(TransponderNode* transponder, ProgramNode* program) {
    if (!transponder || !program || program->transponder() != transponder ||
        indexOf(transponder->satellite()) < 0)
        return false;
    const int row = transponder->indexOf(program);
    if (row < 0)
        return false;
    (program->isTv() ? transponder->m_tvCount : transponder->m_radioCount) -= 1;
    // Every reference goes, whatever the favourite mask says, so that no list is left holding
    // a freed program.
    removeAll(tvList, program);
    removeAll(radioList, program);
    for (FavoriteGroup& group : favoriteGroups) {
        removeAll(group.tvMembers, program);
        removeAll(group.radioMembers, program);
    }
    transponder->m_programs.erase(transponder->m_programs.begin() + row);
    return true;
}

bool ChannelDatabase::deleteTransponder(SatelliteNode* satellite, TransponderNode* transponder) {
    if (indexOf(satellite) < 0 || !transponder || transponder->satellite() != satellite)
        return false;
    const int row = satellite->indexOf(transponder);
    if (row < 0)
        return false;
    // All of the transponder's programs leave the lists in one pass each, as deleting them
    // one by one would, without a pass over the lists per program.
    const std::uint64_t doomed = freshMark();
    for (const auto& program : transponder->m_programs)
        program->m_mark = doomed;
    const auto isDoomed = [doomed](const ProgramNode* p) { return p->m_mark == doomed; };
    std::erase_if(tvList, isDoomed);
    std::erase_if(radioList, isDoomed);
    for (FavoriteGroup& group : favoriteGroups) {
        std::erase_if(group.tvMembers, isDoomed);
        std::erase_if(group.radioMembers, isDoomed);
    }
    satellite->m_transponders.erase(satellite->m_transponders.begin() + row);
    --m_transponderTotal;
    return true;
}

std::uint16_t ChannelDatabase::renumber() {
    programSatellites.clear();
    std::uint16_t transponderCounter = 0;
    for (std::size_t i = 0; i < m_satellites.size(); ++i) {
        const SatelliteNode& satellite = *m_satellites[i];
        for (const auto& transponder : satellite.m_transponders) {
            for (const auto& program : transponder->m_programs) {
                if (programSatellites.empty() || programSatellites.back().satelliteIndex != i)
                    programSatellites.push_back({std::uint8_t(i), satellite.name});
                program->satelliteIndex = std::uint8_t(i);
                program->transponderIndex = transponderCounter;
            }
            ++transponderCounter;
        }
    }
    return transponderCounter;
}

ChannelDatabase::VideoPidResult ChannelDatabase::setVideoPid(ProgramNode* program,
                                                             std::uint16_t videoPid) {
    if (!program || indexOf(program->transponder()->satellite()) < 0)
        return VideoPidResult::notFound;
    const bool toTv = videoPid != ChannelLimits::noPid;
    if (toTv == program->isTv()) {
        program->videoPid = videoPid;
        return VideoPidResult::set;
    }
    if ((toTv ? tvList : radioList).size() >= std::size_t(ChannelLimits::maxProgramsPerList))
        return VideoPidResult::listFull;
    program->videoPid = videoPid;
    moveToOtherList(program);
    return VideoPidResult::moved;
}

void ChannelDatabase::moveToOtherList(ProgramNode* program) {
    const bool toTv = !program->isTv();
    removeAll(toTv ? radioList : tvList, program);
    (toTv ? tvList : radioList).push_back(program);
    TransponderNode* transponder = program->transponder();
    (toTv ? transponder->m_radioCount : transponder->m_tvCount) -= 1;
    (toTv ? transponder->m_tvCount : transponder->m_radioCount) += 1;
    for (FavoriteGroup& group : favoriteGroups) {
        auto& from = toTv ? group.radioMembers : group.tvMembers;
        auto& to = toTv ? group.tvMembers : group.radioMembers;
        if (std::erase(from, program) > 0)
            to.push_back(program);
    }
    program->m_tv = toTv;
}

int ChannelDatabase::settleProgramKinds() {
    int moved = 0;
    for (const auto& satellite : m_satellites)
        for (const auto& transponder : satellite->m_transponders)
            for (const auto& program : transponder->m_programs)
                if (program->hasVideo() != program->isTv()) {
                    moveToOtherList(program.get());
                    ++moved;
                }
    return moved;
}

bool ChannelDatabase::assignListPositions() {
    if (tvList.size() > std::size_t(ChannelLimits::maxProgramsPerList) ||
        radioList.size() > std::size_t(ChannelLimits::maxProgramsPerList) ||
        favoriteGroupCount > ChannelLimits::maxFavoriteGroups)
        return false;
    const std::uint64_t inTree = freshMark();
    const std::uint64_t listed = freshMark();
    std::size_t tvTotal = 0;
    std::size_t radioTotal = 0;
    for (const auto& satellite : m_satellites)
        for (const auto& transponder : satellite->m_transponders)
            for (const auto& program : transponder->m_programs) {
                program->m_mark = inTree;
                ++(program->isTv() ? tvTotal : radioTotal);
            }
    const auto placeAll = [&](const std::vector<ProgramNode*>& list, bool tv) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            ProgramNode* program = list[i];
            if (!program || program->m_mark != inTree || program->isTv() != tv)
                return false;
            program->m_mark = listed;
            program->listPosition = std::uint16_t(i);
        }
        return true;
    };
    if (tvList.size() != tvTotal || radioList.size() != radioTotal || !placeAll(tvList, true) ||
        !placeAll(radioList, false))
        return false;
    const auto allListed = [listed](const std::vector<ProgramNode*>& members, bool tv) {
        return std::all_of(members.begin(), members.end(), [&](const ProgramNode* p) {
            return p && p->m_mark == listed && p->isTv() == tv;
        });
    };
    for (int g = 0; g < favoriteGroupCount; ++g) {
        const FavoriteGroup& group = favoriteGroups[std::size_t(g)];
        if (!allListed(group.tvMembers, true) || !allListed(group.radioMembers, false))
            return false;
    }
    return true;
}

ProgramPlaces ChannelDatabase::placesOf(const ProgramNode* program) const {
    ProgramPlaces places;
    if (!program)
        return places;
    const auto positionIn = [program](const std::vector<ProgramNode*>& list) {
        const auto it = std::find(list.begin(), list.end(), program);
        return it == list.end() ? -1 : int(it - list.begin());
    };
    const bool tv = program->isTv();
    places.listPosition = positionIn(tv ? tvList : radioList);
    for (std::size_t g = 0; g < favoriteGroups.size(); ++g)
        places.memberPositions[g] =
            positionIn(tv ? favoriteGroups[g].tvMembers : favoriteGroups[g].radioMembers);
    return places;
}

bool ChannelDatabase::reserveForKinds(int tvPrograms, int radioPrograms) {
    const auto limit = std::size_t(ChannelLimits::maxProgramsPerList);
    if (tvList.size() + std::size_t(tvPrograms) > limit ||
        radioList.size() + std::size_t(radioPrograms) > limit)
        return false;
    // Reserved up front, so that the insertions that follow cannot fail half-way.
    try {
        tvList.reserve(tvList.size() + std::size_t(tvPrograms));
        radioList.reserve(radioList.size() + std::size_t(radioPrograms));
        for (FavoriteGroup& group : favoriteGroups) {
            group.tvMembers.reserve(group.tvMembers.size() + std::size_t(tvPrograms));
            group.radioMembers.reserve(group.radioMembers.size() + std::size_t(radioPrograms));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void ChannelDatabase::insertAtPlaces(
    const std::vector<std::pair<ProgramNode*, const ProgramPlaces*>>& nodes) {
    const auto insertSorted = [](std::vector<ProgramNode*>& list,
                                 std::vector<std::pair<int, ProgramNode*>> entries) {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [place, node] : entries) {
            const std::size_t at = std::min(std::size_t(place), list.size());
            list.insert(list.begin() + std::ptrdiff_t(at), node);
        }
    };
    const auto placed = [&nodes](bool tv, const std::function<int(const ProgramPlaces&)>& place,
                                 bool appendUnplaced) {
        std::vector<std::pair<int, ProgramNode*>> entries;
        for (const auto& [node, places] : nodes) {
            if (node->isTv() != tv)
                continue;
            const int at = place(*places);
            if (at >= 0)
                entries.emplace_back(at, node);
            else if (appendUnplaced)
                entries.emplace_back(std::numeric_limits<int>::max(), node);
        }
        return entries;
    };
    for (const bool tv : {true, false}) {
        insertSorted(tv ? tvList : radioList,
                     placed(
                         tv, [](const ProgramPlaces& p) { return p.listPosition; }, true));
        for (std::size_t g = 0; g < favoriteGroups.size(); ++g) {
            FavoriteGroup& group = favoriteGroups[g];
            insertSorted(
                tv ? group.tvMembers : group.radioMembers,
                placed(
                    tv, [g](const ProgramPlaces& p) { return p.memberPositions[g]; }, false));
        }
    }
}

ProgramNode* ChannelDatabase::insertProgram(TransponderNode* transponder, int row,
                                            const RestoredProgram& program) {
    if (!transponder || indexOf(transponder->satellite()) < 0 || row < 0 ||
        row > transponder->programCount())
        return nullptr;
    const bool tv = program.record.hasVideo();
    if (!reserveForKinds(tv ? 1 : 0, tv ? 0 : 1))
        return nullptr;
    ProgramNode* added = nullptr;
    try {
        auto node = std::make_unique<ProgramNode>(program.record, transponder);
        added = node.get();
        transponder->m_programs.insert(transponder->m_programs.begin() + row, std::move(node));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    (tv ? transponder->m_tvCount : transponder->m_radioCount) += 1;
    insertAtPlaces({{added, &program.places}});
    return added;
}

TransponderNode* ChannelDatabase::insertTransponder(SatelliteNode* satellite, int row,
                                                    Transponder transponder,
                                                    const std::vector<RestoredProgram>& programs) {
    if (indexOf(satellite) < 0 || row < 0 || row > satellite->transponderCount() ||
        m_transponderTotal >= ChannelLimits::maxTransponders)
        return nullptr;
    const auto tvPrograms = std::count_if(programs.begin(), programs.end(),
                                          [](const auto& p) { return p.record.hasVideo(); });
    if (!reserveForKinds(int(tvPrograms), int(programs.size()) - int(tvPrograms)))
        return nullptr;
    TransponderNode* added = nullptr;
    std::vector<std::pair<ProgramNode*, const ProgramPlaces*>> placed;
    try {
        auto node = std::make_unique<TransponderNode>(transponder, satellite);
        added = node.get();
        node->m_programs.reserve(programs.size());
        placed.reserve(programs.size());
        for (const RestoredProgram& program : programs) {
            node->m_programs.push_back(std::make_unique<ProgramNode>(program.record, added));
            placed.emplace_back(node->m_programs.back().get(), &program.places);
        }
        node->m_tvCount = int(tvPrograms);
        node->m_radioCount = int(programs.size()) - int(tvPrograms);
        satellite->m_transponders.insert(satellite->m_transponders.begin() + row, std::move(node));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ++m_transponderTotal;
    insertAtPlaces(placed);
    return added;
}

void ChannelDatabase::placeProgram(ProgramNode* program, const ProgramPlaces& places) {
    if (!program || indexOf(program->transponder()->satellite()) < 0)
        return;
    const bool tv = program->isTv();
    removeAll(tv ? tvList : radioList, program);
    for (FavoriteGroup& group : favoriteGroups)
        removeAll(tv ? group.tvMembers : group.radioMembers, program);
    insertAtPlaces({{program, &places}});
}

int ChannelDatabase::deletePrograms(const std::vector<ProgramNode*>& programs,
                                    const ProgramRowObserver& observer) {
    std::unordered_set<const SatelliteNode*> ours;
    for (const auto& satellite : m_satellites)
        ours.insert(satellite.get());
    const std::uint64_t doomed = freshMark();
    std::vector<TransponderNode*> touched;
    std::unordered_set<const TransponderNode*> seen;
    int count = 0;
    for (ProgramNode* program : programs) {
        if (!program || program->m_mark == doomed ||
            !ours.count(program->transponder()->satellite()))
            continue;
        program->m_mark = doomed;
        ++count;
        if (seen.insert(program->transponder()).second)
            touched.push_back(program->transponder());
    }
    if (count == 0)
        return 0;
    const auto isDoomed = [doomed](const ProgramNode* p) { return p->m_mark == doomed; };
    std::erase_if(tvList, isDoomed);
    std::erase_if(radioList, isDoomed);
    for (FavoriteGroup& group : favoriteGroups) {
        std::erase_if(group.tvMembers, isDoomed);
        std::erase_if(group.radioMembers, isDoomed);
    }
    for (TransponderNode* transponder : touched) {
        auto& children = transponder->m_programs;
        for (int row = int(children.size()) - 1; row >= 0; --row) {
            const ProgramNode* program = children[std::size_t(row)].get();
            if (!isDoomed(program))
                continue;
            if (observer.before)
                observer.before(transponder, row);
            (program->isTv() ? transponder->m_tvCount : transponder->m_radioCount) -= 1;
            children.erase(children.begin() + row);
            if (observer.after)
                observer.after(transponder, row);
        }
    }
    return count;
}

bool ChannelDatabase::insertPrograms(const std::vector<ProgramReturn>& programs,
                                     const ProgramRowObserver& observer,
                                     std::vector<ProgramNode*>* added) {
    std::unordered_set<const SatelliteNode*> ours;
    for (const auto& satellite : m_satellites)
        ours.insert(satellite.get());
    // Everything is checked and allocated first, so that nothing changes on a refusal.
    std::unordered_map<TransponderNode*, int> grown;
    int tvPrograms = 0;
    int radioPrograms = 0;
    for (const ProgramReturn& entry : programs) {
        if (!entry.transponder || !entry.program || !ours.count(entry.transponder->satellite()))
            return false;
        int& earlier = grown[entry.transponder];
        if (entry.row < 0 || entry.row > entry.transponder->programCount() + earlier)
            return false;
        ++earlier;
        ++(entry.program->record.hasVideo() ? tvPrograms : radioPrograms);
    }
    if (!reserveForKinds(tvPrograms, radioPrograms))
        return false;
    std::vector<std::unique_ptr<ProgramNode>> nodes;
    try {
        nodes.reserve(programs.size());
        for (const ProgramReturn& entry : programs)
            nodes.push_back(
                std::make_unique<ProgramNode>(entry.program->record, entry.transponder));
        for (auto& [transponder, more] : grown)
            transponder->m_programs.reserve(transponder->m_programs.size() + std::size_t(more));
        if (added)
            added->reserve(added->size() + programs.size());
    } catch (const std::bad_alloc&) {
        return false;
    }

    std::vector<std::pair<int, ProgramNode*>> tvPlaces;
    std::vector<std::pair<int, ProgramNode*>> radioPlaces;
    std::array<std::vector<std::pair<int, ProgramNode*>>, ChannelLimits::maxFavoriteGroups>
        tvMembers;
    std::array<std::vector<std::pair<int, ProgramNode*>>, ChannelLimits::maxFavoriteGroups>
        radioMembers;
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const ProgramReturn& entry = programs[i];
        TransponderNode* transponder = entry.transponder;
        ProgramNode* node = nodes[i].get();
        if (observer.before)
            observer.before(transponder, entry.row);
        transponder->m_programs.insert(transponder->m_programs.begin() + entry.row,
                                       std::move(nodes[i]));
        (node->isTv() ? transponder->m_tvCount : transponder->m_radioCount) += 1;
        if (observer.after)
            observer.after(transponder, entry.row);
        if (added)
            added->push_back(node);
        const ProgramPlaces& places = entry.program->places;
        const int listPlace =
            places.listPosition >= 0 ? places.listPosition : std::numeric_limits<int>::max();
        (node->isTv() ? tvPlaces : radioPlaces).emplace_back(listPlace, node);
        for (std::size_t g = 0; g < favoriteGroups.size(); ++g)
            if (places.memberPositions[g] >= 0)
                (node->isTv() ? tvMembers : radioMembers)[g].emplace_back(places.memberPositions[g],
                                                                          node);
    }
    mergeAtPlaces(tvList, std::move(tvPlaces));
    mergeAtPlaces(radioList, std::move(radioPlaces));
    for (std::size_t g = 0; g < favoriteGroups.size(); ++g) {
        mergeAtPlaces(favoriteGroups[g].tvMembers, std::move(tvMembers[g]));
        mergeAtPlaces(favoriteGroups[g].radioMembers, std::move(radioMembers[g]));
    }
    return true;
}

std::vector<ProgramNode*> ChannelDatabase::programsInTreeOrder() const {
    std::vector<ProgramNode*> programs;
    for (const auto& satellite : m_satellites)
        for (const auto& transponder : satellite->transponders())
            for (const auto& program : transponder->programs())
                programs.push_back(program.get());
    return programs;
}
