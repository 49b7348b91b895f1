#include "platform/wayland/waylanddatacontrol.h"

#include <wayland-client.h>
#include <wayland/ext-data-control-v1-client-protocol.h>
#include <wayland/wlr-data-control-unstable-v1-client-protocol.h>

#include <algorithm>
#include <cstring>

namespace {

// The names of one protocol's types and functions; the two protocols differ in nothing else.
struct ExtNames {
    using Manager = ext_data_control_manager_v1;
    using Device = ext_data_control_device_v1;
    using Source = ext_data_control_source_v1;
    using Offer = ext_data_control_offer_v1;
    using DeviceListener = ext_data_control_device_v1_listener;
    using SourceListener = ext_data_control_source_v1_listener;
    using OfferListener = ext_data_control_offer_v1_listener;
    static constexpr DataControl::Protocol protocol = DataControl::Protocol::Ext;
    static constexpr uint32_t maxVersion = 1;
    static const wl_interface *managerInterface() { return &ext_data_control_manager_v1_interface; }
    static constexpr auto getDevice = ext_data_control_manager_v1_get_data_device;
    static constexpr auto createSource = ext_data_control_manager_v1_create_data_source;
    static constexpr auto destroyManager = ext_data_control_manager_v1_destroy;
    static constexpr auto addDeviceListener = ext_data_control_device_v1_add_listener;
    static constexpr auto setSelection = ext_data_control_device_v1_set_selection;
    static constexpr auto destroyDevice = ext_data_control_device_v1_destroy;
    static constexpr auto addSourceListener = ext_data_control_source_v1_add_listener;
    static constexpr auto offerType = ext_data_control_source_v1_offer;
    static constexpr auto destroySource = ext_data_control_source_v1_destroy;
    static constexpr auto addOfferListener = ext_data_control_offer_v1_add_listener;
    static constexpr auto receive = ext_data_control_offer_v1_receive;
    static constexpr auto destroyOffer = ext_data_control_offer_v1_destroy;
};

struct WlrNames {
    using Manager = zwlr_data_control_manager_v1;
    using Device = zwlr_data_control_device_v1;
    using Source = zwlr_data_control_source_v1;
    using Offer = zwlr_data_control_offer_v1;
    using DeviceListener = zwlr_data_control_device_v1_listener;
    using SourceListener = zwlr_data_control_source_v1_listener;
    using OfferListener = zwlr_data_control_offer_v1_listener;
    static constexpr DataControl::Protocol protocol = DataControl::Protocol::Wlr;
    static constexpr uint32_t maxVersion = 2;
    static const wl_interface *managerInterface() { return &zwlr_data_control_manager_v1_interface; }
    static constexpr auto getDevice = zwlr_data_control_manager_v1_get_data_device;
    static constexpr auto createSource = zwlr_data_control_manager_v1_create_data_source;
    static constexpr auto destroyManager = zwlr_data_control_manager_v1_destroy;
    static constexpr auto addDeviceListener = zwlr_data_control_device_v1_add_listener;
    static constexpr auto setSelection = zwlr_data_control_device_v1_set_selection;
    static constexpr auto destroyDevice = zwlr_data_control_device_v1_destroy;
    static constexpr auto addSourceListener = zwlr_data_control_source_v1_add_listener;
    static constexpr auto offerType = zwlr_data_control_source_v1_offer;
    static constexpr auto destroySource = zwlr_data_control_source_v1_destroy;
    static constexpr auto addOfferListener = zwlr_data_control_offer_v1_add_listener;
    static constexpr auto receive = zwlr_data_control_offer_v1_receive;
    static constexpr auto destroyOffer = zwlr_data_control_offer_v1_destroy;
};

template<typename P>
class DataControlOf final : public DataControl
{
public:
    DataControlOf(typename P::Manager *manager, DataControlEvents *events)
        : m_manager(manager)
        , m_events(events)
    {
    }

    ~DataControlOf() override
    {
        if (m_device)
            P::destroyDevice(m_device);
        P::destroyManager(m_manager);
    }

    Protocol protocol() const override { return P::protocol; }

    void createDevice(wl_seat *seat) override
    {
        m_device = P::getDevice(m_manager, seat);
        P::addDeviceListener(m_device, &deviceListener, m_events);
    }

    wl_proxy *createSource(const QStringList &mimeTypes) override
    {
        typename P::Source *source = P::createSource(m_manager);
        P::addSourceListener(source, &sourceListener, m_events);
        for (const QString &type : mimeTypes)
            P::offerType(source, type.toUtf8().constData());
        return reinterpret_cast<wl_proxy *>(source);
    }

    void setSelection(wl_proxy *source) override
    {
        P::setSelection(m_device, reinterpret_cast<typename P::Source *>(source));
    }

    void destroySource(wl_proxy *source) override { P::destroySource(reinterpret_cast<typename P::Source *>(source)); }

    void receive(wl_proxy *offer, const char *mimeType, int fd) override
    {
        P::receive(reinterpret_cast<typename P::Offer *>(offer), mimeType, fd);
    }

    void destroyOffer(wl_proxy *offer) override { P::destroyOffer(reinterpret_cast<typename P::Offer *>(offer)); }

private:
    static DataControlEvents *eventsOf(void *data) { return static_cast<DataControlEvents *>(data); }
    static wl_proxy *proxy(void *object) { return static_cast<wl_proxy *>(object); }

    static constexpr typename P::OfferListener offerListener = {
        [](void *data, typename P::Offer *offer, const char *mimeType) {
            eventsOf(data)->offerType(proxy(offer), mimeType);
        },
    };

    static constexpr typename P::DeviceListener deviceListener = {
        [](void *data, typename P::Device *, typename P::Offer *offer) {
            P::addOfferListener(offer, &offerListener, data);
            eventsOf(data)->offerIntroduced(proxy(offer));
        },
        [](void *data, typename P::Device *, typename P::Offer *offer) { eventsOf(data)->selection(proxy(offer)); },
        [](void *data, typename P::Device *) { eventsOf(data)->deviceFinished(); },
        [](void *data, typename P::Device *, typename P::Offer *offer) {
            eventsOf(data)->primarySelection(proxy(offer));
        },
    };

    static constexpr typename P::SourceListener sourceListener = {
        [](void *data, typename P::Source *source, const char *mimeType, int32_t fd) {
            eventsOf(data)->sendRequested(proxy(source), mimeType, fd);
        },
        [](void *data, typename P::Source *source) { eventsOf(data)->sourceCancelled(proxy(source)); },
    };

    typename P::Manager *m_manager;
    typename P::Device *m_device = nullptr;
    DataControlEvents *m_events;
};

template<typename P>
std::unique_ptr<DataControl> bindManager(wl_registry *registry, uint32_t name, uint32_t version, DataControlEvents *events)
{
    auto *manager = static_cast<typename P::Manager *>(
        wl_registry_bind(registry, name, P::managerInterface(), std::min(version, P::maxVersion)));
    return manager ? std::make_unique<DataControlOf<P>>(manager, events) : nullptr;
}

} // namespace

std::optional<DataControl::Protocol> DataControl::protocolFor(const char *interfaceName)
{
    if (std::strcmp(interfaceName, ext_data_control_manager_v1_interface.name) == 0)
        return Protocol::Ext;
    if (std::strcmp(interfaceName, zwlr_data_control_manager_v1_interface.name) == 0)
        return Protocol::Wlr;
    return std::nullopt;
}

bool DataControl::isOffered(const QByteArray &display, bool *reachable)
{
    if (reachable)
        *reachable = false;
    wl_display *connection = display.isEmpty() ? nullptr : wl_display_connect(display.constData());
    if (!connection)
        return false;
    bool offered = false;
    static constexpr wl_registry_listener listener = {
        [](void *data, wl_registry *, uint32_t, const char *interface, uint32_t) {
            if (protocolFor(interface))
                *static_cast<bool *>(data) = true;
        },
        [](void *, wl_registry *, uint32_t) {},
    };
    wl_registry *registry = wl_display_get_registry(connection);
    wl_registry_add_listener(registry, &listener, &offered);
    const bool answered = wl_display_roundtrip(connection) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(connection);
    if (reachable)
        *reachable = answered;
    return answered && offered;
}

std::unique_ptr<DataControl> DataControl::bind(Protocol protocol, wl_registry *registry, uint32_t name,
                                               uint32_t version, DataControlEvents *events)
{
    if (protocol == Protocol::Ext)
        return bindManager<ExtNames>(registry, name, version, events);
    return bindManager<WlrNames>(registry, name, version, events);
}
