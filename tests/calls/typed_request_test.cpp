#include "calls/typed_request.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calls/call_failure.h"
#include "calls/telemetry_sender.h"
#include "fake_call_context.h"

namespace Vela {
namespace {

using ::testing::EndsWith;
using ::testing::StartsWith;
using Testing::FakeCallContext;
using Testing::FakeReply;
using Testing::SeenRequest;

class TypedRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeCallContext::responsesReleased = 0;
    FakeCallContext::streamsReleased = 0;
  }
  FakeCallContext context_;
};

TEST_F(TypedRequestTest, RequestRecordCarriesMethodPathPositionalArgumentsAndCookie) {
  CallsTesting::Inner inner{"Ashe", 7};
  MaybeType<Failure, bool> sent =
      Send(context_, HttpMethod::Put, "/arx-login/v1/thing", std::string("text"), uint32_t{5}, inner);
  ASSERT_TRUE(sent.ok()) << sent.message();
  ASSERT_EQ(context_.requests.size(), 1u);
  const SeenRequest& seen = context_.requests[0];
  EXPECT_EQ(seen.method, 7u);
  EXPECT_EQ(seen.path, "/arx-login/v1/thing");
  EXPECT_EQ(seen.requestContext, 0xC0FFEEu);
  ASSERT_EQ(seen.arguments.size(), 3u);
  EXPECT_EQ(seen.positional, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(seen.arguments[0].GetStringOr(""), "text");
  EXPECT_EQ(seen.arguments[1].AsUnsigned(), 5u);
  EXPECT_EQ(seen.arguments[2].FieldOrEmpty("name").GetStringOr(""), "Ashe");
  EXPECT_EQ(FakeCallContext::responsesReleased, 1);
}

TEST_F(TypedRequestTest, UnconvertibleArgumentNeverReachesTheHostAndCarries400) {
  MaybeType<Failure, bool> sent = Send(context_, HttpMethod::Post, "/player-notifications/v1/notifications",
                                       std::string("first"), CallsTesting::Unregistered{});
  ASSERT_FALSE(sent.ok());
  EXPECT_TRUE(context_.requests.empty());
  EXPECT_THAT(std::string(sent.message()),
              StartsWith("Request not sent: Error converting parameters for POST "
                         "/player-notifications/v1/notifications: "));
  // The conversion's own message follows, unchanged.
  BindingResult direct = ToBinding(CallsTesting::Unregistered{}, context_.registry());
  ASSERT_FALSE(direct.ok());
  EXPECT_THAT(std::string(sent.message()), EndsWith(std::string(direct.message())));
  EXPECT_EQ(FailureStatusCode(sent.failure()), 400u);

  // The typed form refuses the same way.
  auto typed = RequestOf<CallsTesting::Session>(context_, HttpMethod::Get, "/x", CallsTesting::Unregistered{});
  EXPECT_FALSE(typed.ok());
  EXPECT_EQ(FailureStatusCode(typed.failure()), 400u);
  EXPECT_TRUE(context_.requests.empty());
}

TEST_F(TypedRequestTest, ErrorResponsesCarryTheRepliesStatus) {
  struct Case {
    int line;
    uint32_t status;
    bool typed;
  };
  const Case cases[] = {{__LINE__, 404, true}, {__LINE__, 503, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    FakeCallContext::responsesReleased = 0;
    context_.onRequest = [&](const SeenRequest&) { return FakeReply{c.status, {}, "Not found", {}, false}; };
    BindingProperty failure;
    if (c.typed) {
      auto result = RequestOf<CallsTesting::Session>(context_, HttpMethod::Get, "/arx-login/v1/session");
      ASSERT_FALSE(result.ok());
      failure = result.failure();
    } else {
      auto result = Send(context_, HttpMethod::Get, "/arx-login/v1/session");
      ASSERT_FALSE(result.ok());
      failure = result.failure();
    }
    EXPECT_EQ(Failure::MessageOf(failure), "Error response for GET /arx-login/v1/session: Not found");
    EXPECT_EQ(FailureStatusCode(failure), c.status);
    EXPECT_EQ(FailureNamedValues(failure).FieldOrEmpty("error").GetStringOr(""), "Not found");
    EXPECT_EQ(FakeCallContext::responsesReleased, 1);
  }
}

TEST_F(TypedRequestTest, WrongShapedReplyFailsWithTheConvertingMessageAndIsReleased) {
  context_.onRequest = [](const SeenRequest&) { return FakeReply{200, BindingProperty("just text"), {}, {}, false}; };
  auto session = RequestOf<CallsTesting::Session>(context_, HttpMethod::Get, "/arx-login/v1/session");
  ASSERT_FALSE(session.ok());
  EXPECT_THAT(std::string(session.message()), StartsWith("Error converting response for GET /arx-login/v1/session: "));
  EXPECT_EQ(FailureStatusCode(session.failure()), 0u);
  EXPECT_EQ(FakeCallContext::responsesReleased, 1);
}

TEST_F(TypedRequestTest, StreamedRepliesYieldOncePerShortPieceWhileMoreIsToCome) {
  const std::string big(5000, ' ');  // whitespace around JSON is allowed
  struct Case {
    int line;
    std::vector<std::string> pieces;
    uint32_t yields;
  };
  const Case cases[] = {
      {__LINE__, {R"({"state":"A","accountId":1})"}, 0},
      {__LINE__, {R"({"state":)", R"("A",)", R"("accountId":1})"}, 2},
      // A piece larger than one read: the full first read continues at once, the short
      // rest of it is followed by more and yields once; the last piece ends the stream.
      {__LINE__, {big + R"({"state":"A",)", R"("accountId":1})"}, 1},
      // Exactly one full buffer and nothing more: no yield.
      {__LINE__, {std::string(4096 - 28, ' ') + R"({"state":"A","accountId":1})"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    FakeCallContext context;
    FakeCallContext::streamsReleased = 0;
    FakeCallContext::responsesReleased = 0;
    context.onRequest = [&](const SeenRequest&) { return FakeReply{200, {}, {}, c.pieces, false}; };
    auto session = RequestOf<CallsTesting::Session>(context, HttpMethod::Get, "/arx-login/v1/session");
    ASSERT_TRUE(session.ok()) << session.message();
    EXPECT_EQ(session.value().state, "A");
    EXPECT_EQ(context.yields, c.yields);
    EXPECT_EQ(FakeCallContext::streamsReleased, 1);
    EXPECT_EQ(FakeCallContext::responsesReleased, 1);
  }
}

TEST_F(TypedRequestTest, UnreadableStreamsFailWithTheStreamMessage) {
  struct Case {
    int line;
    FakeReply reply;
    std::string message;
  };
  const Case cases[] = {
      {__LINE__, FakeReply{200, {}, {}, {}, true},
       "Error reading streamed response for GET /arx-login/v1/session: Stream read error"},
      {__LINE__, FakeReply{200, {}, {}, {"{\"state\":", "nope"}, false},
       "Error reading streamed response for GET /arx-login/v1/session: Error: Invalid value. at offset 10."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    FakeCallContext::streamsReleased = 0;
    FakeCallContext::responsesReleased = 0;
    context_.onRequest = [&](const SeenRequest&) { return c.reply; };
    auto session = RequestOf<CallsTesting::Session>(context_, HttpMethod::Get, "/arx-login/v1/session");
    ASSERT_FALSE(session.ok());
    EXPECT_EQ(session.message(), c.message);
    EXPECT_EQ(FailureStatusCode(session.failure()), 0u);
    EXPECT_EQ(FakeCallContext::streamsReleased, 1);
    EXPECT_EQ(FakeCallContext::responsesReleased, 1);
  }
}

TEST_F(TypedRequestTest, AStreamLeftByAnErrorReplyIsStillReleased) {
  // A host that sets both an error and a stream: the stream must not leak.
  context_.onRequest = [](const SeenRequest&) { return FakeReply{500, {}, "broken", {"{}"}, false}; };
  auto session = RequestOf<CallsTesting::Session>(context_, HttpMethod::Get, "/x");
  EXPECT_EQ(session.message(), "Error response for GET /x: broken");
  EXPECT_EQ(FakeCallContext::streamsReleased, 1);
  EXPECT_EQ(FakeCallContext::responsesReleased, 1);
}

}  // namespace
}  // namespace Vela
