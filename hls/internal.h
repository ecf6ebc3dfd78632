// Helpers shared by the engine's own files; not part of the interface.
#pragma once

#include "hls/hls.h"
#include "platform/http.h"

#include <string>

namespace hls::detail {

Result failure(Failure failure, std::string detail = {}, std::string subject = {});
// A System failure for the errno value `error`; `detail` says what was done.
Result systemFailure(int error, std::string detail, std::string subject = {});
// The outcome of an exchange whose answer should be 2xx: success, or the
// transport's, time limit's or status's failure.
Result fromResponse(const platform::http::Response& response, std::string subject);

// The request of every playlist, key and segment fetch.
platform::http::Request makeRequest(const std::string& url, const RequestOptions& options);

}  // namespace hls::detail
