// Path templates, route matching and URL decoding with fuzzed templates, methods and paths.
//
// Input lines: the request's method code (its first byte) and then its custom verb, three
// route templates, each preceded by its binding's method line in the same form, and the
// request path (the rest of the input, newlines included).
//
// Properties: every template compiles (its escaping makes any text a valid expression)
// with one group per placeholder; a match names one of the routes, captures only its
// placeholders and passes the method test; a template without placeholders matches its
// own text; decoding never lengthens a text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "rest/function_binding.h"
#include "rest/function_record.h"
#include "rest/http_method.h"
#include "rest/path_template.h"
#include "rest/route.h"
#include "rest/url_decode.h"

namespace {

using namespace Vela;

constexpr std::size_t kRoutes = 3;
constexpr std::size_t kMaxPlaceholders = 2;

struct MethodLine {
  HttpMethod method = HttpMethod::None;
  std::string verb;
};

MethodLine ReadMethod(const std::string& line) {
  MethodLine out;
  if (line.empty()) return out;
  out.method = HttpMethodFromHost(static_cast<uint8_t>(line[0]) % 10u);
  out.verb = line.substr(1);
  return out;
}

bool MethodPasses(const FunctionBinding& binding, const MethodLine& request) {
  if (binding.method() == HttpMethod::None) return true;
  return binding.method() == request.method && binding.customVerb() == request.verb;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const Fuzz::FuzzLines in = Fuzz::SplitLines({data, size}, 1 + 2 * kRoutes);
  MethodLine request = ReadMethod(in.lines[0]);
  if (request.method != HttpMethod::Custom) request.verb.clear();  // as the dispatch passes it
  const std::string path(in.rest.begin(), in.rest.end());

  static FunctionRecord functions[kRoutes];
  static std::unique_ptr<FunctionBinding> bindings[kRoutes];
  std::vector<Route> routes;
  for (std::size_t r = 0; r < kRoutes; ++r) {
    if (!bindings[r]) {
      functions[r].name = "Route" + std::to_string(r);
      bindings[r] = std::make_unique<FunctionBinding>(functions[r]);
    }
    const MethodLine method = ReadMethod(in.lines[1 + 2 * r]);
    bindings[r]->SetMethod(method.method, method.verb);
    const std::string& pathTemplate = in.lines[2 + 2 * r];

    const PathPattern pattern = TemplateToRegex(pathTemplate);
    // Templates are the plugin's own, never outside input, and matching backtracks: a
    // template with k placeholders in a row costs up to (path length)^k steps. The paths
    // are hostile; the templates are kept to the two placeholders the plugin's routes use
    // at most, so that a slow match is a finding and not the fuzzer's own making.
    if (pattern.parameters.size() > kMaxPlaceholders) continue;
    const std::regex compiled(pattern.expression, std::regex::ECMAScript);  // throws when invalid
    ARX_FUZZ_CHECK(compiled.mark_count() == pattern.parameters.size());
    routes.push_back(MakeRoute(bindings[r].get(), pathTemplate));

    if (pathTemplate.find('{') == std::string::npos && MethodPasses(*bindings[r], request)) {
      const std::optional<RouteMatch> own =
          MatchRoutes({&routes.back(), 1}, request.method, request.verb, pathTemplate);
      ARX_FUZZ_CHECK(own.has_value());
      ARX_FUZZ_CHECK(own->binding == bindings[r].get());
    }
  }

  const std::optional<RouteMatch> match = MatchRoutes(routes, request.method, request.verb, path);
  if (match) {
    const Route* chosen = nullptr;
    for (const Route& route : routes) {
      if (route.binding == match->binding) chosen = &route;
    }
    ARX_FUZZ_CHECK(chosen != nullptr);
    ARX_FUZZ_CHECK(MethodPasses(*match->binding, request));
    ARX_FUZZ_CHECK(match->captures.size() <= chosen->parameters.size());
    for (const auto& [name, text] : match->captures) {
      bool declared = false;
      for (const PathParameter& parameter : chosen->parameters) declared = declared || parameter.name == name;
      ARX_FUZZ_CHECK(declared);
    }
  }

  // A path far longer than any route takes: refused before the expression matcher, whose
  // recursion per character would otherwise overflow the stack.
  const std::string longPath = path + std::string(64 * 1024, 'a');
  (void)MatchRoutes(routes, request.method, request.verb, longPath);

  ARX_FUZZ_CHECK(UrlDecode(path).size() <= path.size());
  return 0;
}
