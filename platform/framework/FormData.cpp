#include "platform/framework/FormData.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cmath>
#include <vector>

#include "platform/framework/Exceptions.h"
#include "platform/os/Resources.h"

namespace zu {

namespace {

QString Q(const std::string& S) { return QString::fromStdString(S); }

// ---------- values ----------

QJsonValue ToJson(const TPropInfo& P, const TPropValue& V) {
  switch (P.Kind) {
    case TPropKind::Integer: return QJsonValue(static_cast<qint64>(std::get<std::int64_t>(V)));
    case TPropKind::Boolean: return QJsonValue(std::get<bool>(V));
    case TPropKind::String: return QJsonValue(Q(std::get<std::string>(V)));
    case TPropKind::Float: return QJsonValue(std::get<double>(V));
    case TPropKind::Enum: {
      const auto I = std::get<std::int64_t>(V);
      if (I >= 0 && I < static_cast<std::int64_t>(P.Names.size())) return QJsonValue(Q(P.Names[static_cast<size_t>(I)]));
      return QJsonValue(static_cast<qint64>(I));
    }
    case TPropKind::Set: {
      QJsonArray A;
      const auto M = std::get<std::int64_t>(V);
      for (size_t I = 0; I < P.Names.size() && I < 63; ++I)
        if (M & (std::int64_t{1} << I)) A.append(Q(P.Names[I]));
      return A;
    }
    case TPropKind::Strings: {
      QJsonArray A;
      for (const auto& S : std::get<std::vector<std::string>>(V)) A.append(Q(S));
      return A;
    }
    case TPropKind::Object: break;
  }
  return QJsonValue();
}

[[noreturn]] void Invalid(const std::string& Where) { throw EReadError("Invalid property value: " + Where); }

TPropValue FromJson(const TPropInfo& P, const QJsonValue& J, const std::string& Where) {
  switch (P.Kind) {
    case TPropKind::Integer: {
      if (!J.isDouble()) Invalid(Where);
      const double D = J.toDouble();
      if (D != std::trunc(D) || std::fabs(D) > 9.007199254740992e15) Invalid(Where);
      return static_cast<std::int64_t>(D);
    }
    case TPropKind::Boolean:
      if (!J.isBool()) Invalid(Where);
      return J.toBool();
    case TPropKind::String:
      if (!J.isString()) Invalid(Where);
      return J.toString().toStdString();
    case TPropKind::Float:
      if (!J.isDouble()) Invalid(Where);
      return J.toDouble();
    case TPropKind::Enum: {
      if (!J.isString()) Invalid(Where);
      const std::string N = J.toString().toStdString();
      for (size_t I = 0; I < P.Names.size(); ++I)
        if (P.Names[I] == N) return static_cast<std::int64_t>(I);
      Invalid(Where);
    }
    case TPropKind::Set: {
      if (!J.isArray()) Invalid(Where);
      std::int64_t M = 0;
      for (const QJsonValue& E : J.toArray()) {
        const std::string N = E.toString().toStdString();
        size_t I = 0;
        while (I < P.Names.size() && P.Names[I] != N) ++I;
        if (I == P.Names.size() || I >= 63) Invalid(Where);
        M |= std::int64_t{1} << I;
      }
      return M;
    }
    case TPropKind::Strings: {
      if (!J.isArray()) Invalid(Where);
      std::vector<std::string> L;
      for (const QJsonValue& E : J.toArray()) {
        if (!E.isString()) Invalid(Where);
        L.push_back(E.toString().toStdString());
      }
      return L;
    }
    case TPropKind::Object: break;
  }
  Invalid(Where);
}

// ---------- filers ----------

struct TDefined {
  std::string Name;
  TFiler::TStreamProc Read, Write;
  bool HasData;
};

class TCollectingFiler : public TFiler {
 public:
  std::vector<TDefined> Defined;
  void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override {
    Defined.push_back({Name, std::move(ReadData), std::move(WriteData), HasData});
  }
};

// ---------- writing ----------

QJsonObject WriteObject(TPersistent& O) {
  QJsonObject Props;
  for (const TPropInfo* P : O.ClassInfo().AllProperties()) {
    if (P->Kind == TPropKind::Object) {
      TPersistent* Sub = P->Object(O);
      if (!Sub) continue;
      QJsonObject Node = WriteObject(*Sub);
      if (!Node.isEmpty()) Props.insert(Q(P->Name), Node);
    } else if (P->IsStored(O)) {
      Props.insert(Q(P->Name), ToJson(*P, P->Get(O)));
    }
  }
  TCollectingFiler Filer;
  O.DefineProperties(Filer);
  QJsonObject Bin;
  for (const auto& D : Filer.Defined) {
    if (!D.HasData || !D.Write) continue;
    TMemoryStream S;
    D.Write(S);
    Bin.insert(Q(D.Name), QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(S.Memory()),
                                                           static_cast<qsizetype>(S.Size())).toBase64()));
  }
  QJsonObject Node;
  if (!Props.isEmpty()) Node.insert("properties", Props);
  if (!Bin.isEmpty()) Node.insert("binary", Bin);
  return Node;
}

QJsonObject WriteComponent(TComponent& C) {
  QJsonObject Node = WriteObject(C);
  Node.insert("class", Q(C.ClassName()));
  Node.insert("name", Q(C.Name()));
  if (!C.EventBindings().empty()) {
    QJsonObject Ev;
    for (const auto& [E, M] : C.EventBindings()) Ev.insert(Q(E), Q(M));
    Node.insert("events", Ev);
  }
  return Node;
}

// ---------- reading ----------

void ReadObject(TPersistent& O, const QJsonObject& Node, const std::string& Path) {
  const QJsonObject Props = Node.value("properties").toObject();
  // Properties are applied in their declaration order, whatever order the data has.
  for (auto It = Props.begin(); It != Props.end(); ++It)
    if (!O.ClassInfo().FindProperty(It.key().toStdString()))
      throw EReadError("Error reading " + Path + "." + It.key().toStdString() + ": Property " +
                       It.key().toStdString() + " does not exist");
  for (const TPropInfo* P : O.ClassInfo().AllProperties()) {
    const QJsonValue V = Props.value(Q(P->Name));
    if (V.isUndefined()) continue;
    const std::string Where = Path + "." + P->Name;
    if (P->Kind == TPropKind::Object) {
      TPersistent* Sub = P->Object(O);
      if (!Sub || !V.isObject()) Invalid(Where);
      ReadObject(*Sub, V.toObject(), Where);
    } else {
      if (!P->Set) Invalid(Where);
      P->Set(O, FromJson(*P, V, Where));
    }
  }
  const QJsonObject Bin = Node.value("binary").toObject();
  if (Bin.isEmpty()) return;
  TCollectingFiler Filer;
  O.DefineProperties(Filer);
  for (auto It = Bin.begin(); It != Bin.end(); ++It) {
    const std::string Name = It.key().toStdString();
    const TDefined* D = nullptr;
    for (const auto& X : Filer.Defined)
      if (X.Name == Name) D = &X;
    if (!D || !D->Read) throw EReadError("Error reading " + Path + "." + Name + ": Property " + Name + " does not exist");
    const QByteArray Bytes = QByteArray::fromBase64(It.value().toString().toLatin1());
    TMemoryStream S;
    S.WriteBuffer(Bytes.constData(), Bytes.size());
    S.SetPosition(0);
    D->Read(S);
  }
}

}  // namespace

class TReader {
 public:
  static void Read(TComponent& Root, const QJsonObject& RootNode) {
    std::vector<TComponent*> Loaded;
    auto Begin = [&](TComponent& C) {
      C.SetLoading(true);
      C.FComponentState |= csReading;
      Loaded.push_back(&C);
    };
    try {
      Begin(Root);
      ReadNode(Root, Root, RootNode);
      for (const QJsonValue& V : RootNode.value("components").toArray()) {
        const QJsonObject N = V.toObject();
        const std::string Name = N.value("name").toString().toStdString();
        const std::string Class = N.value("class").toString().toStdString();
        TComponent* C = Root.FindComponent(Name);
        if (!C) {
          const TClassInfo* Info = FindClass(Class);
          if (!Info || !Info->Create) throw EReadError("Class " + Class + " not found");
          C = Info->Create(&Root);
          try {
            C->SetName(Name);
          } catch (const EComponentError& E) {
            delete C;  // nothing half-made stays with the root
            throw EReadError("Error reading " + Class + ": " + E.what());
          }
        } else if (C->ClassName() != Class && !C->ClassInfo().InheritsFrom(FindClass(Class))) {
          throw EReadError("Error reading " + Name + ": it is a " + C->ClassName() + ", not a " + Class);
        }
        Begin(*C);
        ReadNode(Root, *C, N);
      }
    } catch (...) {
      for (TComponent* C : Loaded) {
        C->SetLoading(false);
        C->FComponentState &= ~unsigned{csReading};
      }
      throw;
    }
    for (TComponent* C : Loaded) C->FComponentState &= ~unsigned{csReading};
    for (TComponent* C : Loaded) C->Loaded();
  }

 private:
  static void ReadNode(TComponent& Root, TComponent& C, const QJsonObject& Node) {
    const std::string Path = C.Name().empty() ? C.ClassName() : C.Name();
    ReadObject(C, Node, Path);
    const QJsonObject Ev = Node.value("events").toObject();
    for (auto It = Ev.begin(); It != Ev.end(); ++It) {
      const std::string E = It.key().toStdString(), M = It.value().toString().toStdString();
      if (!C.ClassInfo().HasEvent(E))
        throw EReadError("Error reading " + Path + "." + E + ": Property " + E + " does not exist");
      if (!Root.BindEvent(&C, E, M)) throw EReadError("Error reading " + Path + "." + E + ": method " + M + " not found");
      C.SetEventBinding(E, M);
    }
  }
};

std::string WriteComponentToJson(TComponent& Root) {
  QJsonObject Node = WriteComponent(Root);
  QJsonArray Children;
  for (int I = 0; I < Root.ComponentCount(); ++I) Children.append(WriteComponent(*Root.Components(I)));
  if (!Children.isEmpty()) Node.insert("components", Children);
  return QJsonDocument(Node).toJson(QJsonDocument::Indented).toStdString();
}

void ReadComponentFromJson(TComponent& Root, const std::string& Json) {
  QJsonParseError Err{};
  const QJsonDocument Doc = QJsonDocument::fromJson(QByteArray::fromStdString(Json), &Err);
  if (Doc.isNull() || !Doc.isObject())
    throw EReadError("Form data is not valid: " + Err.errorString().toStdString() + " at offset " +
                     std::to_string(Err.offset));
  TReader::Read(Root, Doc.object());
}

bool ReadFormResource(TComponent& Root) {
  std::string Data;
  if (!os::LoadResource(Root.ClassName(), "FORMDATA", Data)) return false;
  ReadComponentFromJson(Root, Data);
  return true;
}

}  // namespace zu
