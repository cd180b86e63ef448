// Who the generated documents say they come from: the organisation's name, legal notice,
// contact lines, support contact and SNMP private enterprise number. One place for all of them.
#pragma once

namespace quorvel {

// The organisation as the documents name it.
constexpr const char* kOrgName = "Tevra";
// Comment line under the name at the top of every MIB module.
constexpr const char* kOrgLegalNotice =
    "Copyright (c) Tevra Power Systems Ltd. All rights reserved.";
// The four contact lines of the products module: street, city, telephone, e-mail.
constexpr const char* kOrgContactLines[4] = {
    "12 Example Parade",
    "Port Elwood, XY 00000",
    "Tel: +1 555 0100",
    "E-mail: sales@example.com",
};
// Contact of the PDU module.
constexpr const char* kOrgSupportContact = "support@example.com";
// Private enterprise number under iso.org.dod.internet.private.enterprises. 32473 is the
// number set aside for documentation and examples, so no real organisation's tree is claimed.
constexpr int kOrgEnterpriseNumber = 32473;

}  // namespace quorvel
