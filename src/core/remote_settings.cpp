#include "core/remote_settings.h"

namespace ds {
namespace {
RemoteSettings& instance() {
    static RemoteSettings settings;
    return settings;
}
}  // namespace

const RemoteSettings& remoteSettings() { return instance(); }
void SetRemoteSettings(const RemoteSettings& settings) { instance() = settings; }

}  // namespace ds
