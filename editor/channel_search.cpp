#include "editor/channel_search.h"

#include "channels/channel_database.h"
#include "channels/name_codec.h"
#include "editor/tree_node_look.h"

namespace {

struct SearchText {
    QString text;
    bool isNumber = false;
    qulonglong number = 0;
};

bool matches(const TreeNodeRef& node, const SearchText& search) {
    const auto holds = [&search](const QString& label) {
        return label.contains(search.text, Qt::CaseInsensitive);
    };
    // Names as their language compares them; labels and numbers as they are.
    const auto nameHolds = [&search](const QByteArray& name) {
        return NameCodec::holds(NameCodec::toText(name), search.text);
    };
    if (node.satellite)
        return nameHolds(node.satellite->name);
    if (node.transponder) {
        const std::uint32_t frequency = node.transponder->frequency;
        return holds(transponderLabel(*node.transponder)) ||
               (search.isNumber && frequency != 0 &&
                (search.number == frequency || search.number == frequency / 1000));
    }
    if (node.program)
        return nameHolds(node.program->name) ||
               (search.isNumber && search.number == node.program->serviceId);
    return false;
}

SearchText searchTextOf(const QString& text) {
    SearchText search;
    search.text = text.trimmed();
    search.number = search.text.toULongLong(&search.isNumber);
    return search;
}

// Calls `visit` for every node in tree order until it returns true.
template <typename Visit>
void visitTree(const ChannelDatabase& database, Visit&& visit) {
    for (const auto& satellite : database.satellites()) {
        if (visit(TreeNodeRef{satellite.get(), nullptr, nullptr}))
            return;
        for (const auto& transponder : satellite->transponders()) {
            if (visit(TreeNodeRef{nullptr, transponder.get(), nullptr}))
                return;
            for (const auto& program : transponder->programs())
                if (visit(TreeNodeRef{nullptr, nullptr, program.get()}))
                    return;
        }
    }
}

} // namespace

bool nodeMatchesSearch(const TreeNodeRef& node, const QString& text) {
    const SearchText search = searchTextOf(text);
    return !search.text.isEmpty() && matches(node, search);
}

TreeNodeRef findInTree(const ChannelDatabase& database, const QString& text,
                       const TreeNodeRef& from) {
    const SearchText search = searchTextOf(text);
    if (search.text.isEmpty())
        return {};
    bool pastStart = from.isNull();
    TreeNodeRef firstBeforeStart;
    TreeNodeRef found;
    visitTree(database, [&](const TreeNodeRef& node) {
        if (!pastStart) {
            if (firstBeforeStart.isNull() && matches(node, search))
                firstBeforeStart = node;
            pastStart = node == from;
            return false;
        }
        if (!matches(node, search))
            return false;
        found = node;
        return true;
    });
    return found.isNull() ? firstBeforeStart : found;
}

bool findInTree(const ChannelDatabase& database, const TreeNodeRef& node) {
    bool found = false;
    visitTree(database, [&](const TreeNodeRef& candidate) {
        found = candidate == node;
        return found;
    });
    return found;
}
