#pragma once

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

struct wl_proxy;
struct wl_registry;
struct wl_seat;

/// The events of a data-control device and of its offers and sources, delivered on the
/// thread that dispatches the connection. Offers and sources are passed as plain proxies.
class DataControlEvents
{
public:
    virtual ~DataControlEvents() = default;
    /// A new offer; its MIME types follow, then the selection event that uses it.
    virtual void offerIntroduced(wl_proxy *offer) = 0;
    virtual void offerType(wl_proxy *offer, const char *mimeType) = 0;
    /// The clipboard now holds `offer`; null when it is empty.
    virtual void selection(wl_proxy *offer) = 0;
    virtual void primarySelection(wl_proxy *offer) = 0;
    /// The device is no longer valid (its seat went away).
    virtual void deviceFinished() = 0;
    /// Another client reads `mimeType` of our source: write it to `fd` and close it.
    virtual void sendRequested(wl_proxy *source, const char *mimeType, int fd) = 0;
    /// Our source no longer holds the clipboard.
    virtual void sourceCancelled(wl_proxy *source) = 0;
};

/// One data-control manager with its device on one seat: ext-data-control-v1 or
/// wlr-data-control-unstable-v1, which have the same requests and events under
/// different names. Everything here runs on the connection's thread.
class DataControl
{
public:
    enum class Protocol {
        Ext, ///< ext_data_control_manager_v1, preferred
        Wlr, ///< zwlr_data_control_manager_v1
    };

    /// The protocol whose manager is announced under this global interface name.
    static std::optional<Protocol> protocolFor(const char *interfaceName);
    /// Whether the compositor at `display` (a socket name or path) announces a
    /// data-control manager: one short connection and a look at its globals.
    /// `reachable`, when given, tells whether the compositor answered at all.
    static bool isOffered(const QByteArray &display, bool *reachable = nullptr);
    /// Binds the manager announced as global `name`.
    static std::unique_ptr<DataControl> bind(Protocol protocol, wl_registry *registry, uint32_t name,
                                             uint32_t version, DataControlEvents *events);

    virtual ~DataControl() = default;

    [[nodiscard]] virtual Protocol protocol() const = 0;
    /// Gets the device of `seat`; its first selection event follows.
    virtual void createDevice(wl_seat *seat) = 0;
    /// A new source offering `mimeTypes`, not yet on the clipboard.
    virtual wl_proxy *createSource(const QStringList &mimeTypes) = 0;
    virtual void setSelection(wl_proxy *source) = 0;
    virtual void destroySource(wl_proxy *source) = 0;
    /// Asks the offer's owner to write `mimeType` into `fd` (sent, then ours to close).
    virtual void receive(wl_proxy *offer, const char *mimeType, int fd) = 0;
    virtual void destroyOffer(wl_proxy *offer) = 0;
};
