#pragma once
// The result view's source over the engine session and its catalogue.

#include "zema/core/engine_session.h"
#include "zema/ui/models/result_source.h"

namespace zema {

class EngineResultSource : public ResultSource {
public:
    explicit EngineResultSource(EngineSession& session) : session_(session) {}

    const GroupingSets& Groups() const override { return session_.Groups(); }
    const std::vector<VulnerabilityEntry>& Vulnerabilities() const override {
        return session_.Vulnerabilities();
    }
    SessionSummary Summary() const override { return session_.Summary(); }
    UpdateFacts Update(int32_t updateId) const override;
    BulletinFacts Bulletin(int32_t bulletinId) const override;
    std::string GroupName(ShowBy by, int32_t id) const override;
    bool VulnerabilityName(int32_t id, std::string& name) const override;

private:
    EngineSession& session_;
};

}  // namespace zema
