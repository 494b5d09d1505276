#include "binding/binding_help_types.h"

#include "binding/builtin_tags.h"
#include "binding/native_type_builder.h"

namespace Vela {

namespace {

// Every help type carries both tags; its fields have no description.
template <class Builder>
Builder& Builtin(Builder& builder) {
  return builder.Tag(kBuiltinTag).Tag(kHelpTag);
}

}  // namespace

void RegisterHelpTypes(BindingRegistry& registry) {
  auto format = RegisterEnum<BindingHelpFormat>(registry, "BindingHelpFormat")
                    .Description("Help format for binding functions and types.")
                    .Value("Full", BindingHelpFormat::Full, "Native help format")
                    .Value("Epytext", BindingHelpFormat::Epytext, "Python epytext format");
  Builtin(format);

  using TypeId = BindingFullTypeIdentifier;
  auto typeId = RegisterStruct<TypeId>(registry, "BindingFullTypeIdentifier")
                    .Description("Describes the type of a value.")
                    .Field("type", &TypeId::type)
                    .Field("elementType", &TypeId::elementType);
  Builtin(typeId);

  using Argument = BindingFullArgumentHelp;
  auto argument = RegisterStruct<Argument>(registry, "BindingFullArgumentHelp")
                      .Description("Describes a function parameter.")
                      .Field("name", &Argument::name)
                      .Field("description", &Argument::description)
                      .Field("type", &Argument::type)
                      .Field("optional", &Argument::optional);
  Builtin(argument);

  using Function = BindingFullFunctionHelp;
  auto function = RegisterStruct<Function>(registry, "BindingFullFunctionHelp")
                      .Description("Describes a function.")
                      .Field("name", &Function::name)
                      .Field("nameSpace", &Function::nameSpace)
                      .Field("arguments", &Function::arguments)
                      .Field("returns", &Function::returns)
                      .Field("description", &Function::description)
                      .Field("help", &Function::help)
                      .Field("threadSafe", &Function::threadSafe)
                      .Field("async", &Function::async)
                      .Field("tags", &Function::tags);
  Builtin(function);

  using EnumValue = BindingFullEnumValueHelp;
  auto enumValue = RegisterStruct<EnumValue>(registry, "BindingFullEnumValueHelp")
                       .Description("Describes an enumerator.")
                       .Field("name", &EnumValue::name)
                       .Field("description", &EnumValue::description)
                       .Field("value", &EnumValue::value);
  Builtin(enumValue);

  using Field = BindingFullFieldHelp;
  auto field = RegisterStruct<Field>(registry, "BindingFullFieldHelp")
                   .Description("Describes a member of a struct.")
                   .Field("name", &Field::name)
                   .Field("description", &Field::description)
                   .Field("offset", &Field::offset)
                   .Field("type", &Field::type)
                   .Field("optional", &Field::optional);
  Builtin(field);

  using Type = BindingFullTypeHelp;
  auto type = RegisterStruct<Type>(registry, "BindingFullTypeHelp")
                  .Description("Describes a struct or enum type.")
                  .Field("name", &Type::name)
                  .Field("nameSpace", &Type::nameSpace)
                  .Field("size", &Type::size)
                  .Field("description", &Type::description)
                  .Field("tags", &Type::tags)
                  .Field("fields", &Type::fields)
                  .Field("values", &Type::values);
  Builtin(type);

  using Event = BindingFullEventHelp;
  auto event = RegisterStruct<Event>(registry, "BindingFullEventHelp")
                   .Description("Describes an event.")
                   .Field("name", &Event::name)
                   .Field("nameSpace", &Event::nameSpace)
                   .Field("type", &Event::type)
                   .Field("description", &Event::description)
                   .Field("tags", &Event::tags);
  Builtin(event);

  using Api = BindingFullApiHelp;
  auto api = RegisterStruct<Api>(registry, "BindingFullApiHelp")
                 .Description("Describes the exposed native API.")
                 .Field("functions", &Api::functions)
                 .Field("types", &Api::types)
                 .Field("events", &Api::events);
  Builtin(api);
}

}  // namespace Vela
