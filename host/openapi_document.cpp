#include "openapi_document.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "scenario.h"

namespace Vela::Host {
namespace {

constexpr std::string_view kSchemaPrefix = "#/components/schemas/";
constexpr std::string_view kErrorSchema = "ArxError";
constexpr std::string_view kJson = "application/json";
// The description block is the plugin's; every walk is bounded by its counts and this.
constexpr uint32_t kMaxEntries = 100000;

// The failures every function may answer, and why.
struct FailureAnswer {
  std::string_view status;
  std::string_view description;
};
constexpr FailureAnswer kFailures[] = {
    {"400", "The function refused an argument; the message says why."},
    {"404", "Nothing is held at this path, or no function takes the method and path."},
    {"500", "An argument could not be bound, or the function failed without a status of its own."},
};

// ParameterLocation codes of the description block.
constexpr uint32_t kLocationPath = 2;
constexpr uint32_t kLocationHeader = 4;
constexpr uint32_t kLocationBody = 5;

std::string_view Text(const char* text) { return text == nullptr ? std::string_view() : std::string_view(text); }

// A schema by type code. `names` holds the types the block carries; a structure or
// enumeration outside it (or unnamed) is any value.
class SchemaWriter {
 public:
  explicit SchemaWriter(const std::set<std::string, std::less<>>& names) : names_(names) {}

  BindingProperty Of(uint32_t code, uint32_t elementCode, std::string_view typeName) const {
    if (code == 15 || code == 19) {
      BindingProperty schema;
      schema.MutableField("type") = code == 15 ? "array" : "object";
      schema.MutableField(code == 15 ? "items" : "additionalProperties") = Scalar(elementCode, typeName);
      return schema;
    }
    return Scalar(code, typeName);
  }

 private:
  BindingProperty Scalar(uint32_t code, std::string_view typeName) const {
    BindingProperty schema;
    schema.MakeStructure();
    switch (code) {
      case 1: schema.MutableField("type") = "boolean"; break;
      case 2: Integer(schema, "int8", INT64_C(-128), UINT64_C(127)); break;
      case 3: Integer(schema, "uint8", 0, UINT64_C(255)); break;
      case 4: Integer(schema, "int16", INT64_C(-32768), UINT64_C(32767)); break;
      case 5: Integer(schema, "uint16", 0, UINT64_C(65535)); break;
      case 6: Integer(schema, "int32", INT64_C(-2147483648), UINT64_C(2147483647)); break;
      case 7: Integer(schema, "uint32", 0, UINT64_C(4294967295)); break;
      // The 64-bit bounds are left to the format: JSON readers of doubles cannot hold them.
      case 8: Integer(schema, "int64", std::nullopt, std::nullopt); break;
      case 9: Integer(schema, "uint64", 0, std::nullopt); break;
      case 10:
      case 11:
        schema.MutableField("type") = "number";
        schema.MutableField("format") = code == 10 ? "float" : "double";
        break;
      case 12: schema.MutableField("type") = "string"; break;
      case 14:
        schema.MutableField("type") = "string";
        schema.MutableField("contentEncoding") = "base64";
        break;
      case 16:
      case 17:
        if (!typeName.empty() && names_.contains(typeName)) {
          schema.MutableField("$ref") = std::string(kSchemaPrefix) + std::string(typeName);
        }
        break;
      case 15:
      case 19:
        // A vector or map of vectors or maps: the block names no inner element.
        schema.MutableField("type") = code == 15 ? "array" : "object";
        break;
      default:
        // 13 (object), 18 (callback) and anything unknown: any JSON value.
        break;
    }
    return schema;
  }

  static void Integer(BindingProperty& schema, std::string_view format, std::optional<int64_t> minimum,
                      std::optional<uint64_t> maximum) {
    schema.MutableField("type") = "integer";
    schema.MutableField("format") = format;
    if (minimum) schema.MutableField("minimum") = *minimum;
    if (maximum) schema.MutableField("maximum") = *maximum;
  }

  const std::set<std::string, std::less<>>& names_;
};

BindingProperty Ref(std::string_view name) {
  BindingProperty ref;
  ref.MutableField("$ref") = std::string(kSchemaPrefix) + std::string(name);
  return ref;
}

BindingProperty TypeSchema(const TypeRecord& record, const SchemaWriter& schemas) {
  BindingProperty schema;
  if (!Text(record.description).empty()) schema.MutableField("description") = Text(record.description);
  if (record.fields == nullptr && record.values != nullptr) {
    // Values in numeric order, as the listing gives them to people.
    std::vector<const EnumValueEntry*> values;
    uint32_t seen = 0;
    for (const EnumValueEntry* entry = record.values; entry != nullptr && seen < record.count && seen < kMaxEntries;
         entry = entry->next, ++seen) {
      values.push_back(entry);
    }
    std::stable_sort(values.begin(), values.end(),
                     [](const EnumValueEntry* a, const EnumValueEntry* b) { return a->value < b->value; });
    schema.MutableField("type") = "string";
    BindingProperty& names = schema.MutableField("enum");
    names.MakeCollection();
    for (const EnumValueEntry* entry : values) names.Append() = Text(entry->name);
    return schema;
  }
  schema.MutableField("type") = "object";
  // The writer writes the registered fields and nothing else.
  schema.MutableField("additionalProperties") = false;
  BindingProperty& properties = schema.MutableField("properties");
  properties.MakeStructure();
  BindingProperty required;
  required.MakeCollection();
  uint32_t seen = 0;
  for (const FieldEntry* entry = record.fields; entry != nullptr && seen < record.count && seen < kMaxEntries;
       entry = entry->next, ++seen) {
    BindingProperty field = schemas.Of(entry->type, entry->elementType, Text(entry->typeName));
    if (entry->optional != 0) {
      // An absent optional member is written as null.
      BindingProperty either;
      BindingProperty& choices = either.MutableField("anyOf");
      choices.Append() = std::move(field);
      choices.Append().MutableField("type") = "null";
      field = std::move(either);
    } else {
      required.Append() = Text(entry->name);
    }
    if (!Text(entry->description).empty()) field.MutableField("description") = Text(entry->description);
    properties.MutableField(Text(entry->name)) = std::move(field);
  }
  if (required.size() != 0) schema.MutableField("required") = std::move(required);
  return schema;
}

BindingProperty ErrorSchema() {
  BindingProperty schema;
  schema.MutableField("description") = "A failure: the HTTP status and the plugin's own message.";
  schema.MutableField("type") = "object";
  schema.MutableField("additionalProperties") = false;
  BindingProperty& properties = schema.MutableField("properties");
  properties.MutableField("httpStatus").MutableField("type") = "integer";
  properties.MutableField("message").MutableField("type") = "string";
  BindingProperty& required = schema.MutableField("required");
  required.Append() = "httpStatus";
  required.Append() = "message";
  return schema;
}

BindingProperty JsonContent(BindingProperty schema) {
  BindingProperty content;
  content.MutableField(kJson).MutableField("schema") = std::move(schema);
  return content;
}

// The placeholders of a path template, and the template as OpenAPI writes it.
struct PathShape {
  std::string path;
  std::vector<std::string> placeholders;
};

PathShape ShapeOf(std::string_view pathTemplate) {
  PathShape shape;
  bool inside = false;
  std::string name;
  for (const char c : pathTemplate) {
    if (!inside) {
      if (c == '{') {
        inside = true;
        name.clear();
      }
      shape.path += c;
      continue;
    }
    if (c == '}') {
      inside = false;
      shape.path += name + "}";
      shape.placeholders.push_back(name);
    } else if (name.empty() && (c == '+' || c == '#')) {
      // Reserved and fragment placeholders capture slashes too; OpenAPI names them alone.
    } else {
      name += c;
    }
  }
  if (inside) shape.path += name;
  return shape;
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  for (const std::string& candidate : names) {
    if (candidate == name) return true;
  }
  return false;
}

BindingProperty Operation(const RestFunctionRecord& record, const PathShape& shape, const SchemaWriter& schemas,
                          std::string_view operationId) {
  const FunctionDescription& function = record.description;
  BindingProperty operation;
  operation.MutableField("operationId") = operationId;
  operation.MutableField("summary") = Text(function.name);
  if (!Text(function.description).empty()) operation.MutableField("description") = Text(function.description);
  BindingProperty parameters;
  parameters.MakeCollection();
  BindingProperty body;
  std::vector<std::string> described;
  const ParamLocationEntry* location = record.locations;
  uint32_t seen = 0;
  for (const ArgumentEntry* entry = function.args; entry != nullptr && seen < kMaxEntries; entry = entry->next, ++seen) {
    const std::string_view name = Text(entry->name);
    const uint32_t code = location != nullptr ? location->location : 0;
    if (location != nullptr) location = location->next;
    BindingProperty schema = schemas.Of(entry->type, entry->elementType, Text(entry->typeName));
    if (!Text(entry->description).empty()) schema.MutableField("description") = Text(entry->description);
    if (code == kLocationBody) {
      body.MutableField("type") = "object";
      body.MutableField("properties").MutableField(name) = std::move(schema);
      if (entry->optional == 0) body.MutableField("required").Append() = name;
      continue;
    }
    const bool inPath = Contains(shape.placeholders, name) && (code == 0 || code == kLocationPath);
    std::string_view where = "query";
    if (inPath) where = "path";
    else if (code == kLocationHeader) where = "header";
    else if (code == kLocationPath) continue;  // a path argument the template does not name is never bound
    BindingProperty& parameter = parameters.Append();
    parameter.MutableField("name") = name;
    parameter.MutableField("in") = where;
    parameter.MutableField("required") = inPath || entry->optional == 0;
    if (!Text(entry->description).empty()) parameter.MutableField("description") = Text(entry->description);
    parameter.MutableField("schema") = std::move(schema);
    if (inPath) described.emplace_back(name);
  }
  // Every placeholder is a parameter, whether or not the function takes an argument by it.
  for (const std::string& placeholder : shape.placeholders) {
    if (Contains(described, placeholder)) continue;
    described.push_back(placeholder);
    BindingProperty& parameter = parameters.Append();
    parameter.MutableField("name") = placeholder;
    parameter.MutableField("in") = "path";
    parameter.MutableField("required") = true;
    parameter.MutableField("schema").MutableField("type") = "string";
  }
  if (parameters.size() != 0) operation.MutableField("parameters") = std::move(parameters);
  if (!body.IsEmpty()) {
    BindingProperty& requestBody = operation.MutableField("requestBody");
    requestBody.MutableField("required") = body.FieldOrEmpty("required").size() != 0;
    requestBody.MutableField("content") = JsonContent(std::move(body));
  }
  BindingProperty& responses = operation.MutableField("responses");
  BindingProperty& success = responses.MutableField("200");
  if (function.returnType == 0) {
    success.MutableField("description") = "Done; the answer has no body.";
  } else {
    success.MutableField("description") = "The function's answer.";
    success.MutableField("content") =
        JsonContent(schemas.Of(function.returnType, function.returnElementType, Text(function.returnTypeName)));
  }
  for (const FailureAnswer& failure : kFailures) {
    BindingProperty& answer = responses.MutableField(failure.status);
    answer.MutableField("description") = failure.description;
    answer.MutableField("content") = JsonContent(Ref(kErrorSchema));
  }
  return operation;
}

// The OpenAPI method keys a function record's method code stands for; method 0 takes any.
std::vector<std::string> MethodKeys(uint32_t method) {
  static constexpr uint32_t kAnyMethods[] = {2, 6, 7, 5, 1};  // get, post, put, patch, delete
  std::vector<std::string> keys;
  auto add = [&keys](uint32_t code) {
    std::string word(HttpMethodWord(code));
    for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (!word.empty()) keys.push_back(std::move(word));
  };
  if (method == 0) {
    for (const uint32_t code : kAnyMethods) add(code);
  } else {
    add(method);  // a custom verb has no OpenAPI method and no key
  }
  return keys;
}

BindingProperty Webhook(const EventRecord& record, const SchemaWriter& schemas) {
  BindingProperty post;
  post.MutableField("operationId") = Text(record.name);
  post.MutableField("summary") = Text(record.name);
  if (!Text(record.description).empty()) post.MutableField("description") = Text(record.description);
  BindingProperty& body = post.MutableField("requestBody");
  body.MutableField("required") = true;
  body.MutableField("description") = "The event's payload.";
  body.MutableField("content") = JsonContent(schemas.Of(17, 0, Text(record.payloadType)));
  post.MutableField("responses").MutableField("200").MutableField("description") = "Received.";
  BindingProperty item;
  item.MutableField("post") = std::move(post);
  return item;
}

}  // namespace

BindingProperty OpenApiDocument(const ApiDescription& api, const OpenApiInfo& info) {
  std::set<std::string, std::less<>> names;
  for (uint32_t i = 0; api.types != nullptr && i < api.typeCount && i < kMaxEntries; ++i) {
    if (!Text(api.types[i].name).empty()) names.emplace(Text(api.types[i].name));
  }
  const SchemaWriter schemas(names);

  BindingProperty document;
  document.MutableField("openapi") = "3.1.0";
  BindingProperty& about = document.MutableField("info");
  about.MutableField("title") = info.title;
  about.MutableField("version") = info.version;
  about.MutableField("description") =
      "The plugin's REST functions, the types of their answers and the events it fires, as the plugin "
      "describes them to its host.";
  // Same origin: the document is served by the server it describes.
  document.MutableField("servers").Append().MutableField("url") = "/";
  // The host routes every call on loopback; no function asks for credentials.
  document.MutableField("security").MakeCollection();

  BindingProperty& paths = document.MutableField("paths");
  paths.MakeStructure();
  std::set<std::string, std::less<>> operationIds;
  for (uint32_t i = 0; api.functions != nullptr && i < api.functionCount && i < kMaxEntries; ++i) {
    const RestFunctionRecord& record = api.functions[i];
    const PathShape shape = ShapeOf(Text(record.pathTemplate));
    if (shape.path.empty()) continue;  // a function without a path is not reached over HTTP
    const std::vector<std::string> methods = MethodKeys(record.method);
    for (const std::string& method : methods) {
      std::string id(Text(record.description.name));
      if (methods.size() > 1) id += "_" + method;
      if (!operationIds.insert(id).second) continue;
      paths.MutableField(shape.path).MutableField(method) = Operation(record, shape, schemas, id);
    }
  }

  BindingProperty& webhooks = document.MutableField("webhooks");
  webhooks.MakeStructure();
  for (uint32_t i = 0; api.events != nullptr && i < api.eventCount && i < kMaxEntries; ++i) {
    if (Text(api.events[i].name).empty()) continue;
    webhooks.MutableField(Text(api.events[i].name)) = Webhook(api.events[i], schemas);
  }

  BindingProperty& components = document.MutableField("components").MutableField("schemas");
  for (uint32_t i = 0; api.types != nullptr && i < api.typeCount && i < kMaxEntries; ++i) {
    const TypeRecord& record = api.types[i];
    if (Text(record.name).empty()) continue;
    components.MutableField(Text(record.name)) = TypeSchema(record, schemas);
  }
  components.MutableField(kErrorSchema) = ErrorSchema();
  return document;
}

BindingProperty OpenApiDocument(const HandshakeOutcome& handshake) {
  if (handshake.api == nullptr) return {};
  const HostVersion& version = handshake.pluginVersion;
  return OpenApiDocument(*handshake.api, OpenApiInfo{handshake.shortName, std::to_string(version.major) + "." +
                                                                                std::to_string(version.minor) + "." +
                                                                                std::to_string(version.patch)});
}

}  // namespace Vela::Host
