#pragma once

#include "tray/link/IrdaLink.h"

#include <QStringList>
#include <QTextStream>

#include <memory>

namespace qz::cli {

// The link options shared by the commands that talk to instruments:
//   --program-folder DIR   the program folder (default: this executable's folder)
//   --link LINK            the link setting (default: key "Link" of section "Parameters" in
//                          the program folder's QZ55xx.ini; empty = the link library)
// takeLinkOptions removes them from args; false and a message on err when they are malformed.
struct LinkOptions {
    QString programFolder;
    QString link;
    bool linkGiven = false;
};

bool takeLinkOptions(QStringList& args, LinkOptions& options, QTextStream& err);

// Takes "--name VALUE" out of args. False when the option is present without a value.
bool takeOption(QStringList& args, const QString& name, QString& value, bool* present = nullptr);

// Makes and initialises the link. nullptr and a message on err when it cannot be initialised.
std::unique_ptr<IrdaLink> openLink(const LinkOptions& options, QTextStream& err);

} // namespace qz::cli
