#pragma once
// What the QORDownloader job tests against the real network peers share:
// the peers' ports and files, jobs with short time-outs, running a job to
// its end, proxies set through the downloader, and stopping a run midway so
// that the next run resumes.

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tests/netclient/peer_config.h"
#include "tests/qor/qor_test_support.h"

namespace qor_test {

// How a job ended: the event that ended it (kCompleted, kError or
// kCanceled; 0 when none came in time) and the error code.
struct JobEnd {
    DISPID event = 0;
    LONG code = 0;
};

std::ostream& operator<<(std::ostream& out, const JobEnd& end);
inline bool operator==(const JobEnd& a, const JobEnd& b) {
    return a.event == b.event && a.code == b.code;
}

const JobEnd kJobCompleted = {kCompleted, 0};
inline JobEnd JobFailed(LONG code) { return {kError, code}; }

constexpr DWORD kJobTimeoutMs = 60000;    // far beyond any run that is meant to end
constexpr LONG kJobNetworkTimeoutMs = 20000;
constexpr LONG kShortNetworkTimeoutMs = 1500;  // for peers that never answer
constexpr DWORD kPromptlyMs = 8000;        // well below any time-out that is not meant to pass
constexpr LONG kTrickle = 40000;  // bytes per second: a run stays midway for a while

class NetworkJobTest : public QorTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A job with the test's time-out, no retries and a short retry wait.
    win::ComPtr<IQORDownloadJob> NewJob(Downloader& d, const std::string& url,
                                        const std::string& fileName, LONG threads = 1);
    // Begins the job and pumps until it ends.
    JobEnd Run(Downloader& d, IQORDownloadJob* job, DWORD timeoutMs = kJobTimeoutMs);
    // Begins a job limited to a trickle, waits until its resume record shows
    // `portions` portions that each hold data, and stops it.
    void StopMidway(Downloader& d, IQORDownloadJob* job, const std::string& url,
                    size_t portions = 1);
    // Stops a download of the peers' 1 MiB file midway with its record
    // showing `portions` portions that hold data, begins it again, and
    // checks that it completes byte for byte.
    void ExpectResumedInPortions(const std::string& url, size_t portions);
    // Sets the downloader's HTTP or FTP proxy.
    void UseProxy(Downloader& d, bool ftp, ProxyServerType type, const std::string& peer,
                  const std::string& user = std::string(),
                  const std::string& password = std::string());

    std::string Saved(const std::string& name) const;
    std::string HttpUrl(const std::string& peer, const std::string& path) const {
        return peers_.HttpUrl(peer, path);
    }
    std::string FtpUrl(const std::string& peer, const std::string& path) const {
        return peers_.FtpUrl(peer, path);
    }
    std::string ServedFile(const std::string& name) const { return peers_.ServedFile(name); }

    // A file of the test's own in the folder nginx serves as /files/, or in
    // the folder that vsftpd serves as /pub/; removed when the test ends.
    std::string ServeHttpFile(const std::string& name, const std::string& bytes);
    std::string ServeFtpFile(const std::string& name, const std::string& bytes);

    netclient_tests::PeerConfig peers_;

private:
    std::string ServeFile(const std::string& folder, const std::string& name,
                          const std::string& bytes);

    std::vector<std::string> servedFiles_;
};

// The record's portions once they are on disk, or an empty list.
std::vector<RecordPortion> RecordPortions(const std::string& folder, const std::string& url);

}  // namespace qor_test
