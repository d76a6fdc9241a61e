// Settings of an Rvan's cellular modem: access point, its user and password, the authentication
// key, and the remote host and port the logger reports to. Only a logger whose trait says a
// cellular modem is fitted has them.
#include "device/answer_parsing.h"
#include "device/protocol_codes.h"
#include "device/quorl_protocol.h"

namespace vesk {

int QUORL_Protocol::APNCommand(FixedText<36>* apn, int mode) {
  if (apn == nullptr) {
    return proto::kMissingArgument;
  }
  if (TraitHasCellular() != 1) {
    return proto::kNotSupported;
  }
  Exchange ex(64);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kTextRefused, "set -apn %s\r", apn->data());
    if (rc > 0) {
      LogDetail("APNCommand set APN to \"%s\" (%d ms)", apn->data(), Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -apn\r");
    if (rc > 0) {
      const TextRead read = ReadText(ex.answer, 35);
      rc = read.code;
      if (rc > 0) {
        CopyTruncated(*apn, read.text);
        LogDetail("APNCommand found APN \"%s\" (%d ms)", apn->data(), Ms(ex.ms));
      }
    }
  }
  if (rc < 0) {
    LogFailure("APNCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::APNUserCommand(FixedText<36>* user, int mode) {
  if (user == nullptr) {
    return proto::kMissingArgument;
  }
  if (TraitHasCellular() != 1) {
    return proto::kNotSupported;
  }
  Exchange ex(64);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kTextRefused, "set -user %s\r", user->data());
    if (rc > 0) {
      LogDetail("APNUserCommand set APN user name to \"%s\" (%d ms)", user->data(), Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -user\r");
    if (rc > 0) {
      const TextRead read = ReadText(ex.answer, 35);
      rc = read.code;
      if (rc > 0) {
        CopyTruncated(*user, read.text);
        LogDetail("APNUserCommand found APN user name \"%s\" (%d ms)", user->data(), Ms(ex.ms));
      }
    }
  }
  if (rc < 0) {
    LogFailure("APNUserCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::APNPasswdCommand(FixedText<36>* passwd, int mode) {
  if (passwd == nullptr) {
    return proto::kMissingArgument;
  }
  if (TraitHasCellular() != 1) {
    return proto::kNotSupported;
  }
  Exchange ex(64);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kTextRefused, "set -passwd %s\r", passwd->data());
    if (rc > 0) {
      LogDetail("APNPasswdCommand set APN password to \"%s\" (%d ms)", passwd->data(), Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -passwd\r");
    if (rc > 0) {
      const TextRead read = ReadText(ex.answer, 35);
      rc = read.code;
      if (rc > 0) {
        CopyTruncated(*passwd, read.text);
        LogDetail("APNPasswdCommand found APN password \"%s\" (%d ms)", passwd->data(), Ms(ex.ms));
      }
    }
  }
  if (rc < 0) {
    LogFailure("APNPasswdCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::HostCommand(FixedText<64>* host, int mode) {
  if (host == nullptr) {
    return proto::kMissingArgument;
  }
  if (TraitHasCellular() != 1) {
    return proto::kNotSupported;
  }
  Exchange ex(96);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kTextRefused, "set -host %s\r", host->data());
    if (rc > 0) {
      LogDetail("HostCommand set remote host name to \"%s\" (%d ms)", host->data(), Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -host\r");
    if (rc > 0) {
      const TextRead read = ReadText(ex.answer, 63);
      rc = read.code;
      if (rc > 0) {
        CopyTruncated(*host, read.text);
        LogDetail("HostCommand found the remote host name \"%s\" (%d ms)", host->data(), Ms(ex.ms));
      }
    }
  }
  if (rc < 0) {
    LogFailure("HostCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::IPPortCommand(int32_t* ipport, int mode) {
  if (ipport == nullptr) {
    return proto::kMissingArgument;
  }
  if (TraitHasCellular() != 1) {
    return proto::kNotSupported;
  }
  Exchange ex(32);
  int rc;
  if (mode == kModeSet) {
    rc = SendSetting(ex, Confirm::kOk, Refusal::kRefused, "set -ipport %d\r", *ipport);
    if (rc > 0) {
      LogDetail("IPPortCommand set ipport to %d (%d ms)", *ipport, Ms(ex.ms));
    }
  } else {
    rc = Ask(ex, "get -ipport\r");
    if (rc > 0) {
      if (const auto value = ReadInt(ex.answer)) {
        *ipport = *value;
        LogDetail("IPPortCommand found device ipport %d (%d ms)", *ipport, Ms(ex.ms));
        rc = proto::kOk;
      } else {
        LogDetail("IPPortCommand could not find device ipport (%d ms)", Ms(ex.ms));
        rc = proto::kEmptyAnswer;
      }
    }
  }
  if (rc < 0) {
    LogFailure("IPPortCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

int QUORL_Protocol::AuthKeyCommand(FixedText<33>* authkey, int mode) {
  if (authkey == nullptr) {
    return proto::kMissingArgument;
  }
  if (TraitHasCellular() != 1) {
    return proto::kNotSupported;
  }
  Exchange ex(64);
  int rc;
  if (mode == kModeSet) {
    if (!IsAuthKey(TextOf(*authkey))) {
      rc = proto::kOutOfRange;
    } else {
      rc = SendSetting(ex, Confirm::kOk, Refusal::kTextRefused, "set -authkey %.32s\r",
                       authkey->data());
      if (rc > 0) {
        LogDetail("AuthKeyCommand set authkey to \"%.32s\" (%d ms)", authkey->data(), Ms(ex.ms));
      }
    }
  } else {
    rc = Ask(ex, "get -authkey\r");
    bool asTeakey = false;
    if (rc == proto::kRefused) {
      // Older firmware knows the same key by its former name.
      rc = Ask(ex, "get -teakey\r");
      asTeakey = true;
    }
    if (rc > 0) {
      const TextRead read = ReadText(ex.answer, 32);
      rc = read.code;
      if (rc > 0) {
        CopyTruncated(*authkey, read.text);
        if (asTeakey) {
          LogDetail("AuthKeyCommand found authkey (as teakey) \"%s\" (%d ms)", authkey->data(),
                    Ms(ex.ms));
        } else {
          LogDetail("AuthKeyCommand found authkey \"%s\" (%d ms)", authkey->data(), Ms(ex.ms));
        }
      }
    }
  }
  if (rc < 0) {
    LogFailure("AuthKeyCommand failed with error %d (%d ms)", rc, Ms(ex.ms));
  }
  return rc;
}

}  // namespace vesk
