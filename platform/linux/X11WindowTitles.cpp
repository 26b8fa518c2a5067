#include "platform/linux/X11WindowTitles.h"

#include "platform/linux/CompoundText.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

// A title longer than this (1 KB) is no dialog's; it is left out.
constexpr uint32_t kTitleLongs = 256;
// Frames of managers without EWMH hold their client one or two levels down.
constexpr int kFrameDepth = 2;

// Takes ownership of a reply; frees it when done.
template <typename Reply> class Owned {
public:
    explicit Owned(Reply* reply) : m_reply(reply) {}
    ~Owned() { std::free(m_reply); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Reply* operator->() const { return m_reply; }
    explicit operator bool() const { return m_reply != nullptr; }
    Reply* get() const { return m_reply; }

private:
    Reply* m_reply;
};

struct Facts {
    std::optional<QString> title;
    bool managed = false; // has WM_STATE: a client window
};

class Listing {
public:
    explicit Listing(X11Connection& x11) : m_x11(x11), m_c(x11.connection()) {}

    std::vector<X11WindowTitles::Titled> run() {
        std::vector<X11WindowTitles::Titled> titles;
        if (fromClientList(titles))
            return titles;
        return fromWindowTree();
    }

private:
    xcb_get_property_cookie_t ask(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                  uint32_t longs) {
        return xcb_get_property(m_c, 0, window, property, type, 0, longs);
    }

    Owned<xcb_get_property_reply_t> answer(xcb_get_property_cookie_t cookie) {
        return Owned<xcb_get_property_reply_t>(xcb_get_property_reply(m_c, cookie, nullptr));
    }

    static std::vector<xcb_window_t> windowsOf(const Owned<xcb_get_property_reply_t>& reply) {
        if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32)
            return {};
        const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
        return {windows, windows + xcb_get_property_value_length(reply.get()) / 4};
    }

    // The EWMH way, two round trips. False when no live manager keeps the list.
    bool fromClientList(std::vector<X11WindowTitles::Titled>& titles) {
        xcb_ewmh_connection_t& ewmh = m_x11.ewmh();
        const auto checkCookie =
            ask(m_x11.root(), ewmh._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1);
        const auto listCookie = ask(m_x11.root(), ewmh._NET_CLIENT_LIST, XCB_ATOM_WINDOW, 1 << 16);
        const std::vector<xcb_window_t> check = windowsOf(answer(checkCookie));
        const std::vector<xcb_window_t> clients = windowsOf(answer(listCookie));
        if (check.empty() || check.front() == XCB_WINDOW_NONE)
            return false;

        // A manager that has gone leaves its properties behind: its check window must still
        // name itself. Asked together with the titles.
        const auto selfCookie =
            ask(check.front(), ewmh._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1);
        const std::vector<Facts> facts = factsOf(clients, false);
        const std::vector<xcb_window_t> self = windowsOf(answer(selfCookie));
        if (self.empty() || self.front() != check.front())
            return false;
        for (std::size_t i = 0; i < clients.size(); ++i)
            if (facts[i].title)
                titles.push_back({clients[i], *facts[i].title});
        return true;
    }

    struct Candidate {
        xcb_window_t window;
        int rank; // position of its top-level window in the order
    };

    // Without a manager's list: the root's children from the top down, and inside untitled
    // windows that are no clients (frames), down to kFrameDepth levels. Each level is one batch.
    std::vector<X11WindowTitles::Titled> fromWindowTree() {
        std::vector<Candidate> level;
        {
            Owned<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(m_c, xcb_query_tree(m_c, m_x11.root()), nullptr));
            if (!tree)
                return {};
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            const int count = xcb_query_tree_children_length(tree.get());
            // Bottom to top from the server; the topmost window comes first, as on the screen.
            for (int i = count - 1; i >= 0; --i)
                level.push_back({children[i], count - 1 - i});
        }
        std::vector<std::pair<int, X11WindowTitles::Titled>> ranked;
        for (int depth = 0; depth <= kFrameDepth && !level.empty(); ++depth) {
            std::vector<xcb_window_t> windows;
            windows.reserve(level.size());
            for (const Candidate& candidate : level)
                windows.push_back(candidate.window);
            const std::vector<Facts> facts = factsOf(windows, true);
            std::vector<Candidate> frames;
            for (std::size_t i = 0; i < level.size(); ++i) {
                if (facts[i].title)
                    ranked.push_back({level[i].rank, {level[i].window, *facts[i].title}});
                else if (!facts[i].managed && depth < kFrameDepth)
                    frames.push_back(level[i]);
            }
            level = childrenOf(frames);
        }
        // A client found inside a frame takes the frame's place in the stack.
        std::stable_sort(ranked.begin(), ranked.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<X11WindowTitles::Titled> titles;
        titles.reserve(ranked.size());
        for (auto& [rank, titled] : ranked)
            titles.push_back(std::move(titled));
        return titles;
    }

    std::vector<Candidate> childrenOf(const std::vector<Candidate>& parents) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        cookies.reserve(parents.size());
        for (const Candidate& parent : parents)
            cookies.push_back(xcb_query_tree(m_c, parent.window));
        std::vector<Candidate> children;
        for (std::size_t i = 0; i < parents.size(); ++i) {
            Owned<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(m_c, cookies[i], nullptr));
            if (!tree)
                continue;
            const xcb_window_t* windows = xcb_query_tree_children(tree.get());
            for (int j = xcb_query_tree_children_length(tree.get()) - 1; j >= 0; --j)
                children.push_back({windows[j], parents[i].rank});
        }
        return children;
    }

    // The windows' titles in two batches: _NET_WM_NAME (and WM_STATE) of all, then WM_NAME of
    // those without _NET_WM_NAME, which every current toolkit sets.
    std::vector<Facts> factsOf(const std::vector<xcb_window_t>& windows, bool withState) {
        xcb_ewmh_connection_t& ewmh = m_x11.ewmh();
        std::vector<xcb_get_property_cookie_t> names;
        std::vector<xcb_get_property_cookie_t> states;
        names.reserve(windows.size());
        for (xcb_window_t window : windows) {
            names.push_back(ask(window, ewmh._NET_WM_NAME, ewmh.UTF8_STRING, kTitleLongs));
            if (withState)
                states.push_back(ask(window, m_x11.wmState(), m_x11.wmState(), 0));
        }
        std::vector<Facts> facts(windows.size());
        std::vector<std::size_t> untitled;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const auto name = answer(names[i]);
            if (withState) {
                const auto state = answer(states[i]);
                facts[i].managed = state && state->type != XCB_ATOM_NONE;
            }
            // _NET_WM_NAME, when set, is the title; WM_NAME only stands in for it.
            if (name && name->type == ewmh.UTF8_STRING && name->format == 8)
                facts[i].title = titleOf(name);
            else
                untitled.push_back(i);
        }
        std::vector<xcb_get_property_cookie_t> oldNames;
        oldNames.reserve(untitled.size());
        for (std::size_t i : untitled)
            oldNames.push_back(
                ask(windows[i], XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, kTitleLongs));
        for (std::size_t j = 0; j < untitled.size(); ++j) {
            const auto name = answer(oldNames[j]);
            if (name && name->type != XCB_ATOM_NONE && name->format == 8)
                facts[untitled[j]].title = titleOf(name);
        }
        return facts;
    }

    // Titled windows always count as titled, but an overlong title is given as empty: no
    // dialog's title is that long.
    QString titleOf(const Owned<xcb_get_property_reply_t>& reply) const {
        if (reply->bytes_after != 0)
            return {};
        const QByteArrayView bytes(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                   xcb_get_property_value_length(reply.get()));
        const xcb_atom_t type = reply->type;
        if (type == m_x11.ewmh().UTF8_STRING)
            return QString::fromUtf8(bytes);
        if (type == m_x11.compoundText())
            return CompoundText::decode(bytes.toByteArray());
        // STRING is Latin-1 by definition; anything else is read the same way.
        return QString::fromLatin1(bytes);
    }

    X11Connection& m_x11;
    xcb_connection_t* m_c;
};

} // namespace

std::vector<X11WindowTitles::Titled> X11WindowTitles::list(X11Connection& x11) {
    return Listing(x11).run();
}
