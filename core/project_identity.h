// SPDX-License-Identifier: MIT
// Who makes the plug-ins, as every format's description names them: the project, its
// homepage, its maintainers and its licence.
#pragma once

inline constexpr char kProjectName[] = "BRAMSOLIKET";
inline constexpr char kProjectVendor[] = "The BRAMSOLIKET developers";
inline constexpr char kProjectHomepage[] = "https://github.com/bramsoliket/bramsoliket";
inline constexpr char kProjectSupportPage[] = "https://github.com/bramsoliket/bramsoliket/issues";
inline constexpr char kProjectContactAddress[] = "bramsoliket@bramsoliket.org";
// The MIT licence, by its SPDX identifier's page.
inline constexpr char kProjectLicenseUri[] = "https://spdx.org/licenses/MIT";
inline constexpr char kProjectShortDescription[] = "Resonant multi-mode filter, exact to the last bit";
