#include <gtest/gtest.h>

#include <string>

#include "plugin/plugin_api_version.h"
#include "plugin/plugin_name.h"
#include "plugin/resource_event_name.h"

namespace Vela {
namespace {

TEST(GetFullNameFromShortNameAndType, PrefixFollowsTheExactTypeName) {
  struct Case {
    int line;
    PluginType type;
    std::string fullName;
  };
  const Case cases[] = {
      {__LINE__, kBackendPluginType, "qpm-be-arx-player-behavior"},
      {__LINE__, kFrontendPluginType, "qpm-fe-arx-player-behavior"},
      {__LINE__, PluginType{"Backend", ""}, "qpm-xx-arx-player-behavior"},  // case matters
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const PluginName name = GetFullNameFromShortNameAndType("arx-player-behavior", c.type);
    EXPECT_EQ(name.fullName, c.fullName);
    EXPECT_EQ(name.shortName, "arx-player-behavior");
    EXPECT_EQ(name.typeName, c.type.name);
    EXPECT_EQ(name.typeTag, c.type.tag);
  }
}

TEST(PluginApiVersion, HostIsCompatibleWithTheSameMajorAndNoOlderMinorPatch) {
  struct Case {
    int line;
    Version host;
    bool compatible;
  };
  const Case cases[] = {
      {__LINE__, {18, 0, 0, {}, {}}, true},
      {__LINE__, {17, 9, 9, {}, {}}, false},
      {__LINE__, {19, 0, 0, {}, {}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(IsCompatibleHostVersion(c.host), c.compatible);
  }
}

TEST(EventNameOfResourcePath, KeepsTheResourceRoot) {
  struct Case {
    int line;
    std::string_view path;
    std::string_view name;
  };
  const Case cases[] = {
      {__LINE__, "/arx-login/v1/session", "OnJsonApiEvent_arx-login_v1_session"},
      {__LINE__, "arx-login/v1/session", "OnJsonApiEvent_arx-login_v1_session"},  // no leading "/"
      {__LINE__, "/arx-player-behavior/v1/reporter-feedback/7", "OnJsonApiEvent_arx-player-behavior_v1_reporter-feedback"},
      {__LINE__, "/arx-platform-config/v1/namespaces/PlayerBehavior",
       "OnJsonApiEvent_arx-platform-config_v1_namespaces_PlayerBehavior"},
      {__LINE__, "/arx-platform-config/v1/namespaces/PlayerBehavior/key/more",
       "OnJsonApiEvent_arx-platform-config_v1_namespaces_PlayerBehavior_key"},
      // Only the first word opens the longer form.
      {__LINE__, "/x/arx-platform-config/a/b/c", "OnJsonApiEvent_x_arx-platform-config_a"},
      {__LINE__, "//arx-login//v1///session", "OnJsonApiEvent_arx-login_v1_session"},
      {__LINE__, "/", "OnJsonApiEvent"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(EventNameOfResourcePath(c.path), c.name);
  }
}

}  // namespace
}  // namespace Vela
