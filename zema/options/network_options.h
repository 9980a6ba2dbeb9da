#pragma once
// What the Network options page edits: the HTTP and the FTP connection
// records, both kept while the user switches between them, written by Apply.

#include <vector>

#include "zema/core/settings_store.h"

namespace zema {

enum NetworkProtocol { kProtocolHttp = 0, kProtocolFtp = 1 };

// One item of the proxy type list: its skin string and its proxy type.
struct ProxyTypeItem {
    const char* text;
    int type;
};

class NetworkOptions {
public:
    static NetworkOptions Load(SettingsStore& settings);

    NetworkGroup& Record(NetworkProtocol protocol) { return records_[protocol]; }
    const NetworkGroup& Record(NetworkProtocol protocol) const { return records_[protocol]; }

    // Writes HTTP, then FTP, whichever is shown.
    void Save(SettingsStore& settings) const;

    // The proxy types a protocol offers, in list order.
    static const std::vector<ProxyTypeItem>& ProxyTypes(NetworkProtocol protocol);
    // Index in ProxyTypes of the record's type; the first item when the
    // protocol does not offer that type.
    static int ProxyTypeIndex(NetworkProtocol protocol, int type);
    // 0 for a type without a default port (the port is then left alone).
    static int DefaultPort(int proxyType);
    // What the port field shows for a record: a stored 0 becomes the
    // default port of the type shown.
    static int ShownPort(NetworkProtocol protocol, const NetworkGroup& record);
    // A port as typed, kept to its low 16 bits.
    static int StoredPort(unsigned typed) { return static_cast<int>(typed & 0xFFFF); }

private:
    NetworkGroup records_[2];
};

}  // namespace zema
