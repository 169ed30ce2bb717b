#include "config_endpoints.h"

#include "package_files.h"
#include "request_nonce.h"

#include <fstream>
#include <iterator>

namespace {

std::string readWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Digest of the package a "{base}/packages/NAME" URL names; empty otherwise.
std::string digestOfServedPackage(const std::string& fileUrl, const ServiceConfig& config, const std::string& baseUrl) {
  if (fileUrl.compare(0, baseUrl.size(), baseUrl) != 0) return {};
  const std::string path = fileUrl.substr(baseUrl.size());
  std::string name;
  if (!packageNameFromPath(path.substr(0, path.find('?')), name)) return {};
  const std::string file = findPackageFile(config.packagesDir, name);
  return file.empty() ? std::string() : sha256OfFile(file);
}

ConfigAnswer protectedAnswer(const std::string& plaintext, const HttpRequest& request, const ServiceConfig& config,
                             const Fault& fault) {
  ConfigAnswer answer;
  const std::string keyPem = readWholeFile(fault.wrongKey ? config.otherKeyPath : config.privateKeyPath);
  const ReplyForm form = contentFormOf(fault);
  const std::string nonce = nonceToBind(nonceMemberOf(request.query));
  const std::string protectedText = makeReplyOfForm(form, plaintext, keyPem, nonce);
  if (protectedText.empty()) {
    answer.reply.setTextBody(500, "cannot make a protected reply (check the signing key)");
    return answer;
  }
  answer.reply.setTextBody(200, protectedText);
  answer.form = fault.wrongKey ? ReplyForm::WrongKey : form;
  return answer;
}

ConfigAnswer nullAnswer() {
  ConfigAnswer answer;
  answer.reply.setTextBody(200, "null");
  answer.form = ReplyForm::Null;
  return answer;
}

ConfigAnswer methodNotAllowed() {
  ConfigAnswer answer;
  answer.reply.setTextBody(405, "method not allowed");
  return answer;
}

}  // namespace

std::string makeUpdatePlaintext(const ServiceConfig& config, const std::string& baseUrl) {
  if (config.update.is_string()) return config.update.get<std::string>();
  nlohmann::json offer = config.update;
  const auto fileUrl = offer.find("fileurl");
  if (fileUrl != offer.end() && fileUrl->is_string()) {
    *fileUrl = substituteBase(fileUrl->get<std::string>(), baseUrl);
  }
  const auto sha256 = offer.find("sha256");
  if (sha256 != offer.end() && *sha256 == "auto") {
    const std::string url = (fileUrl != offer.end() && fileUrl->is_string()) ? fileUrl->get<std::string>() : "";
    const std::string digest = digestOfServedPackage(url, config, baseUrl);
    if (digest.empty()) {
      offer.erase("sha256");
    } else {
      *sha256 = digest;
    }
  }
  return offer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

ConfigAnswer answerUpdateCheck(const HttpRequest& request, const ServiceConfig& config, const Fault& fault,
                               const std::string& baseUrl) {
  if (!request.methodIs("GET")) return methodNotAllowed();
  if (config.update.is_null()) return nullAnswer();
  return protectedAnswer(makeUpdatePlaintext(config, baseUrl), request, config, fault);
}

ConfigAnswer answerSettingsFetch(const HttpRequest& request, const ServiceConfig& config, const Fault& fault) {
  if (!request.methodIs("GET")) return methodNotAllowed();
  if (!config.settings.is_string()) return nullAnswer();
  return protectedAnswer(config.settings.get<std::string>(), request, config, fault);
}
