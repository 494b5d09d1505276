#include "rest/dispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "binding/host_value_conversion.h"
#include "codecs/json.h"
#include "rest/api_registry.h"
#include "rest/rest_function.h"
#include "util/packed_copy.h"

namespace Vela {
namespace {

// A request built field by field; the texts live as long as the builder.
struct Request {
  explicit Request(std::string path, HttpMethod method = HttpMethod::Get)
      : method(method), path(std::move(path)) {}

  HttpMethod method = HttpMethod::Get;
  std::string path;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string contentType;
  std::optional<std::string> body;
  std::optional<uint32_t> bodyLength;  // when the body's bytes run on past it
  std::vector<HostArgument> args;
  std::string verb;

  HostRequest Build(const FunctionContext& context) {
    hostHeaders.clear();
    for (const auto& [name, value] : headers) hostHeaders.push_back({name.c_str(), value.c_str()});
    HostRequest request{};
    request.method = static_cast<uint32_t>(method);
    request.path = path.c_str();
    request.args = args.empty() ? nullptr : args.data();
    request.argCount = static_cast<uint32_t>(args.size());
    request.function = &context;
    request.headers = hostHeaders.empty() ? nullptr : hostHeaders.data();
    request.headerCount = static_cast<uint32_t>(hostHeaders.size());
    request.contentType = contentType.c_str();
    request.body = body ? reinterpret_cast<const uint8_t*>(body->data()) : nullptr;
    request.bodyLength = body ? bodyLength.value_or(static_cast<uint32_t>(body->size())) : 0;
    request.customVerb = verb.c_str();
    return request;
  }
  std::vector<HostHeader> hostHeaders;
};

// What a dispatch answered, read back out of the response record (then released).
struct Answer {
  bool failed = false;
  std::string error;
  uint32_t status = 0;
  BindingProperty value;
};

class DispatchTest : public ::testing::Test {
 protected:
  // Dispatches to `binding` and reads the answer; releases the record.
  Answer Dispatch(const FunctionBinding& binding, Request& request) {
    const FunctionContext context{&api_, const_cast<FunctionBinding*>(&binding)};
    const HostRequest host = request.Build(context);
    HostResponse out;
    std::memset(&out, 0xCD, sizeof out);  // the dispatch must clear whatever was there
    DispatchRestRequest(&out, &host);
    Answer answer;
    answer.failed = out.head.errorOwned == 1;
    if (out.head.error != nullptr) answer.error = out.head.error;
    answer.status = out.status;
    // Every response carries a status text, also when the handler never ran.
    EXPECT_NE(Copy(out.statusText), nullptr);
    BindingResult value = FromHostValue(out.head.value, "<result>");
    EXPECT_TRUE(value.ok());
    answer.value = std::move(value).value();
    EXPECT_EQ(Copy(out.release), &ReleaseHostResponse);
    out.release(&out);
    return answer;
  }

  // A function that answers the value it was given.
  template <typename T>
  const FunctionBinding& Echo(std::string_view path, std::initializer_list<RestParameter> params,
                              HttpMethod method = HttpMethod::Get) {
    return RegisterRestFunction(api_, {method, path}, params,
                                [](const T& value) { return value; });
  }

  ApiRegistry api_;
};

BindingProperty Json(const char* text) {
  BindingResult parsed = ParseJson(text);
  EXPECT_TRUE(parsed.ok()) << parsed.message();
  return std::move(parsed).value();
}

TEST_F(DispatchTest, BindingOutcomes) {
  const auto& flag = Echo<bool>("/flag", {{"flag"}});
  const auto& count = Echo<int32_t>("/count", {{"count"}});
  const auto& object = Echo<BindingProperty>("/object", {{"a"}});
  const auto& text = Echo<std::string>("/text", {{"s"}});
  const auto& list = Echo<std::vector<std::string>>("/list", {{"l"}});
  const auto& byPath = Echo<std::string>("/path/{id}", {{"id", ParameterLocation::Path}});
  const auto& byQuery = Echo<std::string>("/query", {{"q", ParameterLocation::Query}});
  const auto& byHeader = Echo<std::string>("/header", {{"token", ParameterLocation::Header}});
  const auto& camel = Echo<std::string>("/camel", {{"Token"}});

  struct Row {
    int line;
    const FunctionBinding* binding;
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string error;        // empty: success
    std::string resultJson;   // the expected result, as JSON
  };
  const Row rows[] = {
      {__LINE__, &flag, "/flag?flag=", {}, "", "true"},
      {__LINE__, &flag, "/flag", {}, "", "false"},  // a non-optional bool starts as false
      {__LINE__, &flag, "/flag?flag=yes", {}, "Value yes for 'flag' of type bool is in an incorrect format. Options are \"true\", \"false\", \"1\", \"0\".", ""},
      {__LINE__, &count, "/count?count=", {}, "Expected value for argument 'count'.", ""},
      {__LINE__, &count, "/count?count=0x10", {}, "", "16"},
      {__LINE__, &count, "/count", {}, "A value for 'count' is required.", ""},
      {__LINE__, &count, "/count?count=1&other=2", {}, "Unknown argument 'other' for 'GetCount'.", ""},
      {__LINE__, &count, "/count?count=1&count=2", {}, "", "2"},  // later pairs overwrite
      {__LINE__, &count, "/count?&count=3&", {}, "", "3"},        // empty pieces carry nothing
      {__LINE__, &object, "/object?a.b.0=x", {}, "", R"({"b":["x"]})"},
      {__LINE__, &object, "/object?a.0x1=y", {}, "", R"([null,"y"])"},
      {__LINE__, &object, "/object?a.010=z", {}, "", R"([null,null,null,null,null,null,null,null,"z"])"},
      {__LINE__, &object, "/object?a.01x=1", {}, "Index 01x is in an incorrect format", ""},
      {__LINE__, &object, "/object?a.2147483648=1", {}, "Index 2147483648 is out of range", ""},
      {__LINE__, &object, "/object?a.83905207=1", {}, "Index 83905207 is out of range", ""},  // would fill 83,905,207 elements
      {__LINE__, &object, "/object?a.65536=1", {}, "Index 65536 is out of range", ""},
      {__LINE__, &object, "/object?a.b={\"c\":1}", {}, "", R"({"b":"{\"c\":1}"})"},  // no sniffing in members
      {__LINE__, &object, "/object?a=%7B%22c%22%3A1%7D", {}, "", R"({"c":1})"},       // sniffed JSON
      {__LINE__, &object, "/object?a=++[1,2]", {}, "", "[1,2]"},
      {__LINE__, &object, "/object?a=", {}, "", "{}"},
      {__LINE__, &object, "/object?a={oops", {}, "Couldn't deserialize JSON value for parameter 'a' of 'GetObject': Error: Missing a name for object member. at offset 1.", ""},
      {__LINE__, &object, "/object?a=%92%01%A1x", {}, "", R"([1,"x"])"},  // sniffed MessagePack
      {__LINE__, &object, "/object?a=%DC", {}, "Couldn't deserialize MessagePack value for parameter 'a' of 'GetObject': Invalid MessagePack data. 16-bit integer value at position 1 is truncated.", ""},
      {__LINE__, &object, "/object?a=---%0Ab%3A+2", {}, "", R"({"b":2})"},  // sniffed YAML
      {__LINE__, &object, "/object?a=---%0Ab%3A+%5B", {}, "Couldn't deserialize YAML value for parameter 'a' of 'GetObject': YAML parser error: did not find expected node content. At line: 2 col: 0", ""},
      {__LINE__, &text, "/text?s={\"c\":1}", {}, "", R"("{\"c\":1}")"},  // strings are not sniffed
      {__LINE__, &list, "/list?l=", {}, "", "[]"},
      {__LINE__, &list, "/list?l=[\"p\",\"q\"]", {}, "", R"(["p","q"])"},
      {__LINE__, &byPath, "/path/7?id=8", {}, "Argument 'id' for 'GetPathById' was specified in an invalid location.", ""},
      {__LINE__, &byPath, "/path/7", {{"id", "9"}}, "", R"("7")"},  // not a header parameter
      {__LINE__, &byQuery, "/query?q=v", {}, "", R"("v")"},
      {__LINE__, &byHeader, "/header", {{"token", "t1"}}, "", R"("t1")"},
      // Header names compare exactly with the lower-case parameter name.
      {__LINE__, &byHeader, "/header", {{"Token", "t1"}}, "A value for 'token' is required.", ""},
      {__LINE__, &camel, "/camel", {{"token", "t3"}}, "", R"("t3")"},
      // Of a header sent twice, the later one counts.
      {__LINE__, &byHeader, "/header", {{"token", "t1"}, {"x", "0"}, {"token", "t2"}}, "", R"("t2")"},
      // Headers first, then the query overwrites.
      {__LINE__, &camel, "/camel?Token=q", {{"token", "h"}}, "", R"("q")"},
      {__LINE__, &flag, "/nothing", {}, "Invalid function", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Request request(row.path);
    request.headers = row.headers;
    const Answer answer = Dispatch(*row.binding, request);
    EXPECT_EQ(answer.failed, !row.error.empty());
    EXPECT_EQ(answer.error, row.error);
    EXPECT_EQ(answer.status, row.error == "Invalid function" ? 404u : 0u);
    if (row.error.empty()) {
      EXPECT_EQ(WriteJson(answer.value), WriteJson(Json(row.resultJson.c_str())));
    }
  }
}

TEST_F(DispatchTest, BodyByContentType) {
  const auto& withBody = Echo<BindingProperty>("/body", {{"b", ParameterLocation::Body}},
                                               HttpMethod::Post);
  const auto& withoutBody = Echo<std::string>("/nobody", {{"s"}}, HttpMethod::Post);
  struct Row {
    int line;
    const FunctionBinding* binding;
    std::string contentType;
    std::string body;
    std::string error;
    std::string resultJson;
  };
  const Row rows[] = {
      {__LINE__, &withBody, "application/json", R"({"x":[1]})", "", R"({"x":[1]})"},
      {__LINE__, &withBody, "Application/JSON; charset=utf-8", "[true]", "", "[true]"},
      {__LINE__, &withBody, "application/json", "{", "Error: Missing a name for object member. at offset 1.", ""},
      {__LINE__, &withBody, "text/plain", "hello", "Unsupported body content type", ""},
      {__LINE__, &withoutBody, "text/plain", "hello", "", R"("kept")"},
      {__LINE__, &withBody, "application/x-msgpack", "\x91\x01", "", "[1]"},
      {__LINE__, &withBody, "application/x-msgpack", "\x91\x01\x02", "Extra MessgePack data found in body", ""},
      {__LINE__, &withBody, "application/x-msgpack", "\xC1", "Invalid MessagePack data at position 1.", ""},
      {__LINE__, &withBody, "application/x-yaml", "a: 1", "", R"({"a":1})"},
      {__LINE__, &withBody, "application/x-yaml", "a: [1", "YAML parser error: did not find expected ',' or ']'. At line: 1 col: 0", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Request request(row.binding == &withBody ? "/body" : "/nobody?s=kept", HttpMethod::Post);
    request.contentType = row.contentType;
    request.body = row.body;
    const Answer answer = Dispatch(*row.binding, request);
    EXPECT_EQ(answer.error, row.error);
    if (row.error.empty()) {
      EXPECT_EQ(WriteJson(answer.value), WriteJson(Json(row.resultJson.c_str())));
    }
  }
}

TEST_F(DispatchTest, JsonBodyIsReadOnlyUpToItsLength) {
  const auto& binding = Echo<BindingProperty>("/body", {{"b", ParameterLocation::Body}});
  Request request("/body");
  request.contentType = "application/json";
  // The body is not NUL-terminated: a reader that went past its three bytes would meet a
  // second root value.
  request.body = "[1]x";
  request.bodyLength = 3;
  const Answer answer = Dispatch(binding, request);
  EXPECT_EQ(answer.error, "");
  EXPECT_EQ(WriteJson(answer.value), "[1]");
}

TEST_F(DispatchTest, HostArguments) {
  const auto& binding = RegisterRestFunction(
      api_, {HttpMethod::Get, "/args/{a}"},
      {{"a"}, {"b"}, {"c"}},
      [](const std::string& a, const std::string& b, int32_t c) { return a + b + std::to_string(c); });
  auto text = [](const char* name, const char* value) {
    HostArgument argument{};
    argument.name = name;
    argument.value.type = static_cast<uint32_t>(HostValueType::StringBorrowed);
    argument.value.str.ptr = value;
    argument.value.str.len = static_cast<uint32_t>(std::strlen(value));
    return argument;
  };
  auto number = [](const char* name, int64_t value) {
    HostArgument argument{};
    argument.name = name;
    argument.value.type = static_cast<uint32_t>(HostValueType::Signed);
    argument.value.i = value;
    return argument;
  };
  struct Row {
    int line;
    std::vector<HostArgument> args;
    std::string error;
    std::string result;
  };
  HostArgument badType = number("c", 0);
  badType.value.type = 77;
  const Row rows[] = {
      {__LINE__, {text("b", "B"), number("c", 3)}, "", "AB3"},
      // Unnamed arguments count after the path captures: position 0 is parameter 1.
      {__LINE__, {text(nullptr, "X"), number(nullptr, 5)}, "", "AX5"},
      {__LINE__, {text(nullptr, "X"), number(nullptr, 5), number(nullptr, 6)}, "Unknown argument '3' for 'GetArgsByA'.", ""},
      {__LINE__, {text("z", "Z")}, "Unknown argument 'z' for 'GetArgsByA'.", ""},
      // Host arguments overwrite the path.
      {__LINE__, {text("a", "P"), text("b", ""), number("c", 0)}, "", "P0"},
      {__LINE__, {badType}, "Couldn't assign value to 'c' of type object because the input is of an incompatible type ''.", ""},
      {__LINE__, {text("b", "B"), text("c", "x")}, "Value x for 'c' of type int32 is in an incorrect format", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Request request("/args/A");
    request.args = row.args;
    const Answer answer = Dispatch(binding, request);
    EXPECT_EQ(answer.error, row.error);
    if (row.error.empty()) {
      EXPECT_EQ(answer.value.GetStringOr("?"), row.result);
    }
  }
}

struct Stream : ResponseBodyStream {
  explicit Stream(int* destroyed) : destroyed(destroyed) {}
  ~Stream() override { ++*destroyed; }
  bool Read(void* buffer, uint32_t& count, bool& more) override {
    const std::string_view data = "body";
    count = std::min<uint32_t>(count, static_cast<uint32_t>(data.size()));
    std::memcpy(buffer, data.data(), count);
    more = false;
    return true;
  }
  uint32_t Length() const override { return 4; }
  int* destroyed;
};

TEST_F(DispatchTest, ResponseRecordCarriesTheReplyAndReleasesIt) {
  int destroyed = 0;
  const auto& binding = RegisterRestFunction(api_, {HttpMethod::Get, "/full"}, {}, [&]() {
    RestResult<std::map<std::string, int32_t>> result(std::map<std::string, int32_t>{{"k", 1}});
    result.status = 201;
    result.statusText = "Created";
    result.headers = {{"X-One", "1"}, {"X-Two", "2"}};
    result.resultFlag = 1;
    result.resultMode = 7;  // not one of 1..3: written as 0
    result.stream = std::make_unique<Stream>(&destroyed);
    return result;
  });
  Request request("/full");
  const FunctionContext context{&api_, const_cast<FunctionBinding*>(&binding)};
  const HostRequest host = request.Build(context);
  HostResponse out;
  DispatchRestRequest(&out, &host);
  EXPECT_EQ(Copy(out.head.errorOwned), 0);
  EXPECT_EQ(Copy(out.head.value.type), static_cast<uint32_t>(HostValueType::Structure));
  EXPECT_EQ(Copy(out.status), 201u);
  EXPECT_STREQ(out.statusText, "Created");
  EXPECT_EQ(Copy(out.resultFlag), 1);
  EXPECT_EQ(Copy(out.resultMode), 0u);
  ASSERT_EQ(Copy(out.headerCount), 2u);
  EXPECT_STREQ(out.headers[1].name, "X-Two");
  EXPECT_STREQ(out.headers[1].value, "2");
  EXPECT_EQ(Copy(out.bodyLength), 4u);
  ASSERT_NE(Copy(out.stream), nullptr);
  char buffer[8] = {};
  uint32_t count = sizeof buffer;
  uint8_t more = 1;
  EXPECT_EQ(out.streamRead(out.stream, buffer, &count, &more), 1);
  EXPECT_EQ(std::string_view(buffer, count), "body");
  EXPECT_EQ(more, 0);
  out.streamRelease(out.stream);
  EXPECT_EQ(destroyed, 1);
  out.release(&out);  // ASan reports any text or array left behind
  const HostResponse zero{};
  EXPECT_EQ(std::memcmp(&out, &zero, sizeof out), 0);
}

TEST_F(DispatchTest, HandlerFailuresAndExceptions) {
  const auto& notFound = RegisterRestFunction(api_, {HttpMethod::Get, "/missing"}, {},
                                              []() -> RestResult<int32_t> { return RestFailure{404, "Not found"}; });
  const auto& plain = RegisterRestFunction(api_, {HttpMethod::Get, "/plain"}, {},
                                           []() { return MaybeType<Failure, int32_t>::FromFailure("no"); });
  const auto& throws = RegisterRestFunction(api_, {HttpMethod::Get, "/throws"}, {{"id"}},
                                            [](const std::string& id) -> int32_t { return std::stoi(id); });
  const auto& throwsOther = RegisterRestFunction(api_, {HttpMethod::Get, "/other"}, {},
                                                 []() -> int32_t { throw 42; });
  struct Row {
    int line;
    const FunctionBinding* binding;
    std::string path;
    std::string error;
    uint32_t status;
  };
  const Row rows[] = {
      {__LINE__, &notFound, "/missing", "Not found", 404},
      {__LINE__, &plain, "/plain", "no", 0},
      {__LINE__, &throws, "/throws?id=x", "stoi", 500},
      {__LINE__, &throwsOther, "/other", "Internal server error", 500},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Request request(row.path);
    const Answer answer = Dispatch(*row.binding, request);
    EXPECT_TRUE(answer.failed);
    EXPECT_EQ(answer.error, row.error);
    EXPECT_EQ(answer.status, row.status);
  }
}

// Records the calls the dispatch makes on an invoker.
class RecordingInvoker : public RestInvoker {
 public:
  explicit RecordingInvoker(std::vector<std::string>& log) : log_(log) {}
  void* Begin(BindingResult&, std::span<BindingProperty> parameters, void* context) override {
    log_.push_back("begin " + std::to_string(parameters.size()) + " " +
                   std::to_string(reinterpret_cast<uintptr_t>(context)));
    return &handle_;
  }
  void Run(RestCallState& call, const void* info, void* operation, void*) override {
    log_.push_back(std::string("run ") + (info == nullptr ? "null" : "info") +
                   (operation == &handle_ ? " handle" : " other"));
    call.reply.value = "ran";
  }
  void Release(void* operation) override {
    log_.push_back(operation == &handle_ ? "release handle" : "release other");
  }
  std::string_view ResultTypeName() const override { return "std::string"; }

 private:
  std::vector<std::string>& log_;
  int handle_ = 0;
};

TEST_F(DispatchTest, InvokerOrderAndNoCallAfterBindingFailure) {
  FunctionRecord& function = api_.AddFunction("Custom");
  function.AddParameter("p", {TypeCode::String});
  FunctionBinding& binding = api_.AddBinding(function);
  binding.SetMethod(HttpMethod::Custom, "PURGE");
  std::vector<std::string> log;
  binding.SetInvoker(std::make_unique<RecordingInvoker>(log));

  Request request("Custom", HttpMethod::Custom);
  request.verb = "PURGE";
  const FunctionContext context{&api_, &binding};
  HostRequest host = request.Build(context);
  host.requestContext = reinterpret_cast<void*>(uintptr_t{99});
  HostResponse out;
  DispatchRestRequest(&out, &host);
  EXPECT_EQ(log, (std::vector<std::string>{"begin 1 99", "run null handle", "release handle"}));
  out.release(&out);

  log.clear();
  Request unknown("Custom?q=1", HttpMethod::Custom);
  unknown.verb = "PURGE";
  const Answer failed = Dispatch(binding, unknown);
  EXPECT_EQ(failed.error, "Unknown argument 'q' for 'Custom'.");
  EXPECT_TRUE(log.empty());

  Request wrongVerb("Custom", HttpMethod::Custom);
  wrongVerb.verb = "GET";
  EXPECT_EQ(Dispatch(binding, wrongVerb).error, "Invalid function");
}

TEST_F(DispatchTest, MalformedRequestsAreAnswered) {
  HostResponse out;
  DispatchRestRequest(&out, nullptr);
  EXPECT_STREQ(out.head.error, "Invalid function");
  EXPECT_STREQ(out.statusText, "");
  EXPECT_EQ(Copy(out.status), 404u);
  out.release(&out);

  FunctionRecord& function = api_.AddFunction("NoHandler");
  FunctionBinding& binding = api_.AddBinding(function);
  Request request("NoHandler");
  const Answer answer = Dispatch(binding, request);
  EXPECT_EQ(answer.error, "Internal server error");
  EXPECT_EQ(answer.status, 500u);
  DispatchRestRequest(nullptr, nullptr);  // nothing to fill, nothing to crash
}

}  // namespace
}  // namespace Vela
