// An event of the transfer class: callbacks subscribe to it and are called
// synchronously, in the order they subscribed, on the thread that raises it.
#pragma once
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace net {

class WininetDown;

template <class... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;
    using Token = unsigned;

    Event() = default;
    ~Event() { *alive_ = false; }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Returns the token that Unsubscribe takes.
    Token Subscribe(Handler handler) {
        handlers_.push_back({++lastToken_, std::move(handler)});
        return lastToken_;
    }
    void Unsubscribe(Token token) {
        std::erase_if(handlers_, [token](const Entry& e) { return e.token == token; });
    }

private:
    friend class WininetDown;

    // A handler may subscribe or unsubscribe while the event is raised; the
    // change applies from the next raise. A handler may also destroy the
    // object that owns the event: the handlers after it are then not called.
    void Raise(Args... args) const {
        const std::vector<Entry> snapshot = handlers_;
        const std::shared_ptr<const bool> alive = alive_;
        for (const Entry& e : snapshot) {
            if (!*alive) return;
            e.handler(args...);
        }
    }

    struct Entry {
        Token token;
        Handler handler;
    };
    std::vector<Entry> handlers_;
    Token lastToken_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);   // cleared when the event ends
};

}  // namespace net
