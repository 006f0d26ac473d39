#include "dispatch/CommandBase.h"

#include <cstring>

#include "support/LenientInteger.h"
#include "support/Log.h"
#include "support/TextConversion.h"

void CommandBase::ParseParamater(int commandType, const ParameterMap& parameters) {
  ParseCommonParameters(L"CommandBase", commandType, parameters);
}

void CommandBase::ParseCommonParameters(const wchar_t* className, int commandType,
                                        const ParameterMap& parameters) {
  WriteLog(className, L"ParsePamater");
  m_commandType = commandType;
  ParseSessionName(parameters);
}

void CommandBase::ParseSessionName(const ParameterMap& parameters) {
  auto found = parameters.find("SessionName");
  if (found != parameters.end()) m_sessionName = ConvertStringToWstring(found->second);
}

void CommandBase::ParseKeys(const ParameterMap& parameters, const KeyBinding* bindings,
                            size_t count) {
  for (const auto& [key, value] : parameters) {
    for (size_t i = 0; i < count; ++i) {
      const KeyBinding& binding = bindings[i];
      // c_str(): a key with an embedded NUL matches on its leading part.
      if (std::strcmp(key.c_str(), binding.key) != 0) continue;
      if (binding.text != nullptr) {
        this->*binding.text = ConvertStringToWstring(value);
      } else if (binding.integer != nullptr) {
        this->*binding.integer = ReadLenientInteger(value);
      } else if (binding.longInteger != nullptr) {
        this->*binding.longInteger = ReadLenientInteger(value);
      }
      break;
    }
  }
}
