#pragma once
// Event handlers: objects bound to a fixed list of event types on the engine's bus.

#include <utility>

#include "Engine/Event/EventBus.h"

class EventHandlerInterface {
public:
    virtual ~EventHandlerInterface() = default;
    virtual void subscribe() = 0;
    virtual void unsubscribe() = 0;
};

// The concrete handler derives from EventHandlerBase<Itself, Events...> and has one `handle(const E&)`
// per event type of the list. It subscribes itself on construction.
template <typename Handler, typename... Events>
class EventHandlerBase : public EventHandlerInterface {
public:
    explicit EventHandlerBase(EventBus& bus) : m_bus(&bus) { subscribe_all(); }

    ~EventHandlerBase() override {
        if (m_subscribed) {
            m_bus->unsubscribe_all(listener());
        }
    }

    EventHandlerBase(const EventHandlerBase&) = delete;
    EventHandlerBase& operator=(const EventHandlerBase&) = delete;

    void subscribe() override {
        if (!m_subscribed) {
            subscribe_all();
        }
    }

    void unsubscribe() override {
        if (m_subscribed) {
            m_bus->unsubscribe_all(listener());
            m_subscribed = false;
        }
    }

    template <typename E>
    void publish(E event) {
        m_bus->publish(std::move(event));
    }

    bool subscribed() const { return m_subscribed; }
    EventBus& bus() const { return *m_bus; }

    // Called by the bus; the handler is fully constructed by the time anything is delivered.
    template <typename E>
    void handle(const E& event) {
        static_cast<Handler*>(this)->handle(event);
    }

private:
    const void* listener() const { return static_cast<const void*>(this); }

    void subscribe_all() {
        // Subscribed through the base: the concrete handler is not constructed yet at this point.
        (m_bus->template subscribe<Events>(this), ...);
        m_subscribed = true;
    }

    EventBus* m_bus;
    bool m_subscribed = false;
};
