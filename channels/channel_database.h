#pragma once

// The channel data of one Channel Data File in memory: header values, LNB configuration
// table, the satellite / transponder / program hierarchy, the TV and radio channel lists and
// the favourite groups.
//
// The hierarchy is owned here and changed only through the operations below, which keep the
// counts and lists in step. tvList, radioList and the favourite member lists hold non-owning
// pointers to program nodes; the channel list window may reorder them (they must keep holding
// every program of their kind exactly once, which the writer verifies).

#include "channels/channel_nodes.h"
#include "channels/channel_records.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// Where a program stands in the lists that refer to it: its position in tvList or radioList
// (whichever its kind uses) and in each favourite group's member list of that kind, -1 where
// it is not a member.
struct ProgramPlaces {
    int listPosition = -1;
    std::array<int, ChannelLimits::maxFavoriteGroups> memberPositions = {-1, -1, -1, -1,
                                                                         -1, -1, -1, -1};
};

// A program as it was before it was deleted: its record and its places in the lists.
struct RestoredProgram {
    Program record;
    ProgramPlaces places;
};

// Told of each program as it leaves or joins its transponder in the bulk operations
// (deletePrograms, insertPrograms), with the transponder and the program's row there: `before`
// right before the row goes or comes, `after` right after. Either may be left empty.
struct ProgramRowObserver {
    std::function<void(TransponderNode*, int)> before;
    std::function<void(TransponderNode*, int)> after;
};

// A deleted program to put back: the child row it had on its transponder and its record and
// places from before the deletion.
struct ProgramReturn {
    TransponderNode* transponder = nullptr;
    int row = 0;
    const RestoredProgram* program = nullptr;
};

class ChannelDatabase {
public:
    ChannelDatabase() = default;
    ChannelDatabase(const ChannelDatabase&) = delete;
    ChannelDatabase& operator=(const ChannelDatabase&) = delete;
    // Moving keeps every node where it is, so handles stay valid across a move.
    ChannelDatabase(ChannelDatabase&&) noexcept = default;
    ChannelDatabase& operator=(ChannelDatabase&&) noexcept = default;
    ~ChannelDatabase() = default;

    // Header values.
    std::uint8_t layout = 1;
    std::uint8_t headerFlags = 0;
    std::uint8_t savedDay = 0;
    std::uint8_t savedMonth = 0;
    std::uint8_t savedYear = 0;
    std::uint8_t savedHour = 0;
    std::uint8_t savedMinute = 0;

    // Layout 1 only; lnbConfigCount is the number of entries in use and must equal the size
    // of lnbConfigs when the database is written.
    std::vector<LnbConfig> lnbConfigs;
    std::uint8_t lnbConfigCount = 0;

    std::vector<ProgramNode*> tvList;
    std::vector<ProgramNode*> radioList;

    std::array<FavoriteGroup, ChannelLimits::maxFavoriteGroups> favoriteGroups;
    std::uint8_t favoriteGroupCount = 0;

    // Rebuilt by renumber: the satellites that own at least one program, in satellite order.
    std::vector<ProgramSatelliteEntry> programSatellites;

    // headerFlags bits.
    static constexpr std::uint8_t skewFlag = 0x01;
    static constexpr std::uint8_t usalsFlag = 0x02;
    static constexpr std::uint8_t favoritesFlag = 0x04;
    static constexpr std::uint8_t extraWordFlag = 0x08;

    const std::vector<std::unique_ptr<SatelliteNode>>& satellites() const { return m_satellites; }
    // Every program, satellite by satellite and transponder by transponder.
    std::vector<ProgramNode*> programsInTreeOrder() const;
    int satelliteCount() const { return int(m_satellites.size()); }
    SatelliteNode* satelliteAt(int row) const;
    // Position of the satellite in satellites(), -1 when it is not one of this database's.
    int indexOf(const SatelliteNode* satellite) const;
    int transponderTotal() const { return m_transponderTotal; }

    // Frees every record and empties the channel lists and all member lists; the favourite
    // group count and lnbConfigCount become 0. The layout, header flags, saved date and time
    // and the favourite group names stay.
    void clear();

    // The LNB configuration at that position when the layout is 1 and the position is in use;
    // nullptr otherwise.
    const LnbConfig* lnbConfigAt(std::uint8_t index) const;
    LnbConfig* lnbConfigAt(std::uint8_t index);

    // Each append adds the record as the last node of its parent and returns the new node, or
    // nullptr (nothing changed) when the parent is not a node of this database or a limit of
    // the file format would be exceeded (255 satellites, 65535 transponders, 65535 programs in
    // each channel list). appendProgram counts the program by its kind (video PID or not) and
    // appends it to the end of tvList or radioList.
    SatelliteNode* appendSatellite(Satellite satellite);
    TransponderNode* appendTransponder(SatelliteNode* satellite, Transponder transponder);
    ProgramNode* appendProgram(TransponderNode* transponder, Program program);

    // Removes the program from its transponder, from tvList and radioList and from the member
    // lists of every favourite group that refers to it, then frees it. Returns false (nothing
    // changed) when the program is not a child of that transponder.
    bool deleteProgram(TransponderNode* transponder, ProgramNode* program);
    // Deletes the transponder's programs in order as deleteProgram does, then the transponder.
    bool deleteTransponder(SatelliteNode* satellite, TransponderNode* transponder);

    // Deletes many programs as deleteProgram does each, with one pass over each list for all
    // of them (the programs of one transponder go from its last row up). Programs that are not
    // this database's, and repeats, are left out. Returns the number deleted.
    int deletePrograms(const std::vector<ProgramNode*>& programs,
                       const ProgramRowObserver& observer = {});
    // Puts deleted programs back, each at its row and at its places in the lists, with one pass
    // over each list for all of them. Entries come in tree order (transponder by transponder,
    // rows ascending), as the programs stood before they were deleted. Nothing changes (false)
    // when a transponder is not this database's, a row is out of range or a list would exceed
    // its limit. `added` gets the new nodes in the entries' order.
    bool insertPrograms(const std::vector<ProgramReturn>& programs,
                        const ProgramRowObserver& observer = {},
                        std::vector<ProgramNode*>* added = nullptr);

    // The program's places in the lists of its kind (a pass over each list).
    ProgramPlaces placesOf(const ProgramNode* program) const;
    // Put a deleted program back as the child at `row` of its transponder and at its old places
    // in the lists (a place beyond a list's end appends). nullptr (nothing changed) when the
    // parent is not this database's, the row is out of range or a limit would be exceeded.
    ProgramNode* insertProgram(TransponderNode* transponder, int row,
                               const RestoredProgram& program);
    // The same for a deleted transponder with its programs, in their old order. The places are
    // those the programs had before the transponder was deleted.
    TransponderNode* insertTransponder(SatelliteNode* satellite, int row, Transponder transponder,
                                       const std::vector<RestoredProgram>& programs);
    // Moves the program within the lists of its kind to the given places (it leaves every
    // member list it is in and joins those with a place).
    void placeProgram(ProgramNode* program, const ProgramPlaces& places);

    // Rebuilds programSatellites and every program's satelliteIndex and transponderIndex;
    // returns the number of transponders.
    std::uint16_t renumber();

    // What setVideoPid did; the two refusals change nothing.
    enum class VideoPidResult {
        set,      // the PID is stored and the program stays in its list
        moved,    // the PID is stored and the program changed lists
        listFull, // refused: the list it would move to already holds 65535 programs
        notFound, // refused: not a program of this database
    };
    // Sets the program's video PID and, when that changes its kind, moves it: out of tvList to
    // the end of radioList (or the other way), between its transponder's tvCount and
    // radioCount, and from the TV to the radio member list of every favourite group it is in
    // (or the other way), appended at the end; its favoriteMask stays. A move into a full list
    // is refused, as the appends refuse one, so that the file can still be written.
    VideoPidResult setVideoPid(ProgramNode* program, std::uint16_t videoPid);

    // Moves every program whose videoPid no longer matches its list, as setVideoPid does, in
    // tree order. Returns the number of programs moved. The writer runs it first.
    int settleProgramKinds();

    // Checks that tvList and radioList hold every program of their kind exactly once and that
    // every favourite member is a program of the matching list; sets every program's
    // listPosition. False when the lists do not match the hierarchy.
    bool assignListPositions();

private:
    friend class ChannelImageParser;
    // The appends without the check that the parent belongs to this database; the reader
    // knows it does.
    TransponderNode* attachTransponder(SatelliteNode* satellite, Transponder transponder);
    ProgramNode* attachProgram(TransponderNode* transponder, Program program);
    void moveToOtherList(ProgramNode* program);
    // Inserts the nodes into the lists of their kind at their places, lowest place first, so
    // that each lands where it was. The lists must have room (reserved) for them.
    void insertAtPlaces(const std::vector<std::pair<ProgramNode*, const ProgramPlaces*>>& nodes);
    bool reserveForKinds(int tvPrograms, int radioPrograms);

    std::vector<std::unique_ptr<SatelliteNode>> m_satellites;
    int m_transponderTotal = 0;
};
