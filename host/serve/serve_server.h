// `arx-host serve`: the development host behind an HTTP server on loopback. Every REST
// function of the plugin answers at its own method and path; GET /events streams the
// events the plugin fires (Server-Sent Events); the endpoints under /host/ play the
// siblings and the back end with the steps of scenario files; / is a status page.
// docs/serve.md describes the endpoints.
//
//   ServeOptions options{pluginPath, 0, {}};
//   return Serve(options, std::cout, std::cerr);  // until SIGINT or SIGTERM
//
// The plugin keeps its one thread: the thread that calls Serve drives it, and the
// server's threads hand each request to it and wait for the answer.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace Vela::Host {

struct ServeOptions {
  std::string pluginPath;
  int port = 8780;           // 0: a free port, chosen by the system
  std::string scenarioPath;  // played before serving; empty: none
};

// Exit status: 0 after a stop by SIGINT or SIGTERM; 1 when the plugin cannot be started
// or the port cannot be had; 2 for a scenario file that cannot be read or parsed. Once
// serving, a line on `out` names the address ("arx-host serve: http://127.0.0.1:PORT/ ..."),
// after the report of the `scenarioPath` scenario when there is one.
int Serve(const ServeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace Vela::Host
