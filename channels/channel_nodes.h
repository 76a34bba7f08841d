#pragma once

// The nodes of the channel hierarchy: a satellite owns its transponders, a transponder owns
// its programs. Each node is its record (public fields, edited in place) plus its place in the
// hierarchy, which only ChannelDatabase changes. Nodes never move in memory while they exist,
// so a pointer to a node is a stable handle for the tree view, the grid and the channel
// lists until the node is deleted or the database is cleared.

#include "channels/channel_records.h"

#include <algorithm>
#include <memory>
#include <vector>

class ChannelDatabase;
class SatelliteNode;
class TransponderNode;

class ProgramNode : public Program {
public:
    explicit ProgramNode(Program record, TransponderNode* transponder)
        : Program(std::move(record)), m_transponder(transponder), m_tv(hasVideo()) {}

    const Program& record() const { return *this; }
    TransponderNode* transponder() const { return m_transponder; }
    // The list the program belongs to: tvList when true, radioList otherwise. It follows
    // videoPid through ChannelDatabase::setVideoPid.
    bool isTv() const { return m_tv; }
    bool isRadio() const { return !m_tv; }

private:
    friend class ChannelDatabase;
    TransponderNode* m_transponder;
    bool m_tv;
    // Scratch mark used by the writer to prove the channel lists hold each program once.
    std::uint64_t m_mark = 0;
};

class TransponderNode : public Transponder {
public:
    explicit TransponderNode(Transponder record, SatelliteNode* satellite)
        : Transponder(record), m_satellite(satellite) {}

    const Transponder& record() const { return *this; }
    SatelliteNode* satellite() const { return m_satellite; }
    const std::vector<std::unique_ptr<ProgramNode>>& programs() const { return m_programs; }
    int programCount() const { return int(m_programs.size()); }
    ProgramNode* programAt(int row) const {
        return row >= 0 && row < programCount() ? m_programs[std::size_t(row)].get() : nullptr;
    }
    // Row of the program among this transponder's programs, -1 when it is not one of them.
    int indexOf(const ProgramNode* program) const {
        const auto it = std::find_if(m_programs.begin(), m_programs.end(),
                                     [program](const auto& p) { return p.get() == program; });
        return it == m_programs.end() ? -1 : int(it - m_programs.begin());
    }
    int tvCount() const { return m_tvCount; }
    int radioCount() const { return m_radioCount; }

private:
    friend class ChannelDatabase;
    SatelliteNode* m_satellite;
    std::vector<std::unique_ptr<ProgramNode>> m_programs;
    int m_tvCount = 0;
    int m_radioCount = 0;
};

class SatelliteNode : public Satellite {
public:
    explicit SatelliteNode(Satellite record) : Satellite(std::move(record)) {}

    const Satellite& record() const { return *this; }
    const std::vector<std::unique_ptr<TransponderNode>>& transponders() const {
        return m_transponders;
    }
    int transponderCount() const { return int(m_transponders.size()); }
    TransponderNode* transponderAt(int row) const {
        return row >= 0 && row < transponderCount() ? m_transponders[std::size_t(row)].get()
                                                    : nullptr;
    }
    // Row of the transponder among this satellite's transponders, -1 when it is not one.
    int indexOf(const TransponderNode* transponder) const {
        const auto it =
            std::find_if(m_transponders.begin(), m_transponders.end(),
                         [transponder](const auto& t) { return t.get() == transponder; });
        return it == m_transponders.end() ? -1 : int(it - m_transponders.begin());
    }

private:
    friend class ChannelDatabase;
    std::vector<std::unique_ptr<TransponderNode>> m_transponders;
};

// A favourite group: its name and its members, in the group's own order. The members are
// programs of tvList and radioList; a program is in a member list exactly when its
// favoriteMask has the group's bit (the channel list window keeps the two in step).
struct FavoriteGroup {
    QByteArray name;
    std::vector<ProgramNode*> tvMembers;
    std::vector<ProgramNode*> radioMembers;
};
