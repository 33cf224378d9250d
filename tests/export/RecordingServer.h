#pragma once

#include "export/automation/Automation.h"
#include "ui/MessageBox.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <string>

// A stand-in for the spreadsheet application that knows its members only by their exact names, capitalisation
// included, and writes every call into a log in order, one line each: "Sheet.Cells get 2 1",
// "Cell.Value put Данные", "create Excel.Application". Message boxes recorded since the last call are logged as
// "box <text>" before it, so that the log shows what came before and after a dialog.
class RecordingServer {
public:
    QStringList log;

    // Registers under "Excel.Application" (the registry itself ignores case; the stand-in does not).
    void RegisterIn(AutomationRegistry& registry) {
        registry.Add("Excel.Application", [this](std::string_view asked) {
            LogBoxes();
            log << QStringLiteral("create ") + QString::fromUtf8(asked.data(), qsizetype(asked.size()));
            if (asked != "Excel.Application") {
                throw AutomationError(AutomationCode::kInvalidClassString, "no such program identifier");
            }
            return ObjectRef::Adopt(new Object(*this, "Excel.Application"));
        });
    }

    void LogBoxes() {
        for (const MessageBox::Shown& box : MessageBox::TakeRecorded()) {
            log << QStringLiteral("box ") + box.text;
        }
    }

private:
    class Object final : public AutomationObject {
    public:
        Object(RecordingServer& server, std::string type) : server_(server), type_(std::move(type)) {}

        DispatchId GetIDOfName(std::u16string_view name, std::uint32_t) override {
            // Member names of each object, and the object a read gives back ("" for none).
            static const std::map<std::string, std::map<std::u16string, std::string>> kMembers = {
                {"Excel.Application",
                 {{u"WorkBooks", "WorkBooks"},
                  {u"SheetsInNewWorkbook", ""},
                  {u"WorkSheets", "Sheet"},
                  {u"Worksheets", "Worksheets"},
                  {u"Visible", ""}}},
                {"WorkBooks", {{u"add", ""}}},
                {"Worksheets", {{u"Item", "Sheet"}}},
                {"Sheet", {{u"Name", ""}, {u"Columns", "Columns"}, {u"Cells", "Cell"}}},
                {"Columns", {{u"Item", "Column"}}},
                {"Column", {{u"ColumnWidth", ""}}},
                {"Cell", {{u"Value", ""}}},
            };
            const auto& members = kMembers.at(type_);
            const auto it = members.find(std::u16string(name));
            if (it == members.end()) {
                server_.log << QString::fromStdString(type_) + QStringLiteral(".") +
                                   QString::fromStdU16String(std::u16string(name)) + QStringLiteral(" unknown");
                throw AutomationError(AutomationCode::kUnknownName, "unknown member");
            }
            names_.push_back(it->first);
            children_.push_back(it->second);
            return static_cast<DispatchId>(names_.size() - 1);
        }

        AutomationValue Invoke(DispatchId member, InvokeKind kind, std::span<const AutomationValue> arguments,
                               std::uint32_t) override {
            server_.LogBoxes();
            const auto index = static_cast<std::size_t>(member);
            QString line =
                QString::fromStdString(type_) + QStringLiteral(".") + QString::fromStdU16String(names_[index]);
            line += kind == InvokeKind::Method        ? QStringLiteral(" call")
                    : kind == InvokeKind::PropertyGet ? QStringLiteral(" get")
                                                      : QStringLiteral(" put");
            for (const AutomationValue& argument : arguments) {
                switch (argument.GetKind()) {
                    case AutomationValue::Kind::Integer:
                        line += QStringLiteral(" ") + QString::number(argument.Integer());
                        break;
                    case AutomationValue::Kind::Boolean:
                        line += argument.Boolean() ? QStringLiteral(" true") : QStringLiteral(" false");
                        break;
                    case AutomationValue::Kind::Text:
                        line +=
                            QStringLiteral(" \"") + QString::fromStdU16String(argument.Text()) + QStringLiteral("\"");
                        break;
                    default:
                        line += QStringLiteral(" ?");
                }
            }
            server_.log << line;
            if (kind == InvokeKind::PropertyGet && !children_[index].empty()) {
                return AutomationValue(ObjectRef::Adopt(new Object(server_, children_[index])));
            }
            return {};
        }

    private:
        RecordingServer& server_;
        std::string type_;
        std::vector<std::u16string> names_;
        std::vector<std::string> children_;
    };
};
