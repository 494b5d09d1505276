// The dispatch entry of every REST function record: the host calls it with a response
// record to fill and the request record, on its own thread.
//
//   HostResponse out;
//   DispatchRestRequest(&out, &request);   // out.status, out.head.error, out.head.value ...
//   out.release(&out);                     // frees everything the plugin put into it
//
// Steps: the request's binding (from the request's function context) is matched against
// its route; a miss answers "Invalid function" with status 404. Then the parameters are
// bound from the headers, the path captures, the query string (the text after the first
// "?"), the host's argument values and the body, in that order, each source overwriting
// the one before; the first failure stops the binding and is the answer (status 0, since
// the handler never ran). Otherwise the binding's invoker calls the handler and its reply
// fills the record.
//
// Routes are matched against the path without its query string. Nothing thrown inside
// escapes to the host: an exception is answered with status 500 and its message.
#pragma once

#include "abi/host_request.h"
#include "abi/host_response.h"

namespace Vela {

void DispatchRestRequest(HostResponse* out, const HostRequest* in);

// The release entry written into every response: frees the result value, the failure
// text, the status text, every header text and the header array, then clears the record.
void ReleaseHostResponse(HostResponse* response);

}  // namespace Vela
