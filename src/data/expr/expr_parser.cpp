#include "data/expr/expr_parser.h"

#include <initializer_list>
#include <optional>
#include <utility>

#include "data/base/text.h"
#include "data/expr/expr_lexer.h"

namespace tabrix {
namespace {

// dBASE keeps this many characters of a field name.
constexpr size_t kFieldNameLength = 10;

std::string TypeList(uint8_t mask) {
  std::string out;
  for (int t = 0; t <= static_cast<int>(ExprType::kLogical); ++t) {
    if (!(mask & (1u << t))) continue;
    if (!out.empty()) out += " or ";
    out += ExprTypeName(static_cast<ExprType>(t));
  }
  return out;
}

class Parser {
 public:
  Parser(std::string_view text, const ExprStructure& structure, std::vector<Token> tokens)
      : text_(text), structure_(structure), tokens_(std::move(tokens)) {
    program_.text = std::string(text);
    for (const ExprField& f : structure.fields) {
      upperNames_.push_back(AsciiUpper(f.name));
      program_.fieldNames.push_back(f.name);
    }
    alias_ = AsciiUpper(structure.alias);
  }

  ExprResult<ExprProgram> Run() {
    const int root = ParseExpr();
    if (root >= 0 && Peek().kind != TokenKind::kEnd) {
      Fail(kGenSyntax, Peek().position, "unexpected " + DescribeToken(Peek()) + " after the end");
    }
    if (error_) return std::move(*error_);
    program_.root = root;
    return std::move(program_);
  }

 private:
  // Counts nesting of the recursive rules; past kMaxExprDepth the parse fails instead of
  // recursing further.
  class DepthGuard {
   public:
    explicit DepthGuard(Parser* p) : p_(p) { ++p_->nesting_; }
    ~DepthGuard() { --p_->nesting_; }
    bool TooDeep() const { return p_->nesting_ > kMaxExprDepth; }

   private:
    Parser* p_;
  };

  const Token& Peek(int ahead = 0) const {
    const size_t i = std::min(pos_ + static_cast<size_t>(ahead), tokens_.size() - 1);
    return tokens_[i];
  }
  const Token& Take() {
    const Token& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
  }

  int Fail(int genCode, int position, std::string message) {
    if (!error_) error_ = ExprError{genCode, std::string(text_), position, std::move(message)};
    return -1;
  }
  int FailTooComplex(int position) {
    return Fail(kGenComplexity, position,
                "expression nested deeper than " + std::to_string(kMaxExprDepth) + " levels");
  }

  bool Expect(TokenKind kind, const char* what) {
    if (Peek().kind == kind) {
      Take();
      return true;
    }
    Fail(kGenSyntax, Peek().position,
         std::string("expected ") + what + " but found " + DescribeToken(Peek()));
    return false;
  }

  const ExprNode& Node(int i) const { return program_.nodes[static_cast<size_t>(i)]; }

  int Add(ExprNode node, std::initializer_list<int> kids) {
    return AddWithChildren(std::move(node), std::vector<int>(kids));
  }
  int AddWithChildren(ExprNode node, const std::vector<int>& kids) {
    node.first = static_cast<int>(program_.children.size());
    node.count = static_cast<int>(kids.size());
    node.depth = 1;
    for (int k : kids) {
      program_.children.push_back(k);
      node.depth = std::max(node.depth, Node(k).depth + 1);
      if (Node(k).type == ExprType::kNumeric)
        node.decimals = std::max(node.decimals, Node(k).decimals);
    }
    if (node.depth > kMaxExprDepth) return FailTooComplex(node.position);
    program_.nodes.push_back(std::move(node));
    return static_cast<int>(program_.nodes.size()) - 1;
  }

  static ExprNode Op(NodeOp op, ExprType type, int position) {
    ExprNode n;
    n.op = op;
    n.type = type;
    n.position = position;
    return n;
  }

  // expr := and { .OR. and }
  int ParseExpr() {
    DepthGuard guard(this);
    if (guard.TooDeep()) return FailTooComplex(Peek().position);
    return ParseLogical(TokenKind::kOr);
  }

  // and := not { .AND. not }, and the .OR. level above it.
  int ParseLogical(TokenKind kind) {
    const bool isOr = kind == TokenKind::kOr;
    int left = isOr ? ParseLogical(TokenKind::kAnd) : ParseNot();
    while (left >= 0 && Peek().kind == kind) {
      const Token& op = Take();
      const int right = isOr ? ParseLogical(TokenKind::kAnd) : ParseNot();
      if (right < 0) return -1;
      for (int side : {left, right}) {
        if (Node(side).type != ExprType::kLogical) {
          return Fail(kGenArg, op.position,
                      std::string("operands of ") + (isOr ? ".OR." : ".AND.") +
                          " must be logical, not " + ExprTypeName(Node(side).type));
        }
      }
      left = Add(Op(isOr ? NodeOp::kOr : NodeOp::kAnd, ExprType::kLogical, op.position),
                 {left, right});
    }
    return left;
  }

  // not := ( .NOT. | ! ) not | compare
  int ParseNot() {
    if (Peek().kind != TokenKind::kNot) return ParseCompare();
    DepthGuard guard(this);
    const Token& op = Take();
    if (guard.TooDeep()) return FailTooComplex(op.position);
    const int operand = ParseNot();
    if (operand < 0) return -1;
    if (Node(operand).type != ExprType::kLogical) {
      return Fail(
          kGenArg, op.position,
          std::string("operand of .NOT. must be logical, not ") + ExprTypeName(Node(operand).type));
    }
    return Add(Op(NodeOp::kNot, ExprType::kLogical, op.position), {operand});
  }

  static std::optional<CompareOp> CompareOf(TokenKind kind) {
    switch (kind) {
      case TokenKind::kEqual:
        return CompareOp::kEqual;
      case TokenKind::kExactEqual:
        return CompareOp::kExactEqual;
      case TokenKind::kNotEqual:
        return CompareOp::kNotEqual;
      case TokenKind::kLess:
        return CompareOp::kLess;
      case TokenKind::kLessEqual:
        return CompareOp::kLessEqual;
      case TokenKind::kGreater:
        return CompareOp::kGreater;
      case TokenKind::kGreaterEqual:
        return CompareOp::kGreaterEqual;
      default:
        return std::nullopt;
    }
  }

  // compare := sum { compareOp sum }
  int ParseCompare() {
    int left = ParseSum();
    while (left >= 0) {
      const TokenKind kind = Peek().kind;
      const std::optional<CompareOp> cmp = CompareOf(kind);
      if (!cmp && kind != TokenKind::kDollar) break;
      const Token& op = Take();
      const int right = ParseSum();
      if (right < 0) return -1;
      const ExprType lt = Node(left).type, rt = Node(right).type;
      if (!cmp) {
        if (lt != ExprType::kCharacter || rt != ExprType::kCharacter) {
          return Fail(kGenArg, op.position,
                      std::string("operands of $ must be character, not ") + ExprTypeName(lt) +
                          " and " + ExprTypeName(rt));
        }
        left = Add(Op(NodeOp::kContains, ExprType::kLogical, op.position), {left, right});
        continue;
      }
      if (lt != rt) {
        return Fail(kGenArg, op.position,
                    "cannot compare " + std::string(ExprTypeName(lt)) + " with " +
                        ExprTypeName(rt) + " using " + std::string(op.text));
      }
      ExprNode n = Op(NodeOp::kCompare, ExprType::kLogical, op.position);
      n.cmp = *cmp;
      n.operandType = lt;
      left = Add(std::move(n), {left, right});
    }
    return left;
  }

  // sum := product { ( + | - ) product }
  int ParseSum() {
    int left = ParseProduct();
    while (left >= 0 && (Peek().kind == TokenKind::kPlus || Peek().kind == TokenKind::kMinus)) {
      const Token& op = Take();
      const bool plus = op.kind == TokenKind::kPlus;
      int right = ParseProduct();
      if (right < 0) return -1;
      using T = ExprType;
      const T lt = Node(left).type, rt = Node(right).type;
      NodeOp nodeOp;
      T type;
      if (lt == T::kCharacter && rt == T::kCharacter) {
        nodeOp = plus ? NodeOp::kConcat : NodeOp::kConcatTrimmed;
        type = T::kCharacter;
      } else if (lt == T::kNumeric && rt == T::kNumeric) {
        nodeOp = plus ? NodeOp::kNumberAdd : NodeOp::kNumberSubtract;
        type = T::kNumeric;
      } else if ((lt == T::kDate || lt == T::kDateTime) && rt == T::kNumeric) {
        const bool date = lt == T::kDate;
        nodeOp = plus ? (date ? NodeOp::kDateAddDays : NodeOp::kTimeAddSeconds)
                      : (date ? NodeOp::kDateSubDays : NodeOp::kTimeSubSeconds);
        type = lt;
      } else if (plus && lt == T::kNumeric && (rt == T::kDate || rt == T::kDateTime)) {
        std::swap(left, right);  // n + date is date + n
        nodeOp = rt == T::kDate ? NodeOp::kDateAddDays : NodeOp::kTimeAddSeconds;
        type = rt;
      } else if (!plus && lt == rt && (lt == T::kDate || lt == T::kDateTime)) {
        nodeOp = lt == T::kDate ? NodeOp::kDateDiff : NodeOp::kTimeDiff;
        type = T::kNumeric;
      } else {
        return Fail(kGenArg, op.position,
                    std::string("cannot apply ") + (plus ? "+" : "-") + " to " + ExprTypeName(lt) +
                        " and " + ExprTypeName(rt));
      }
      left = Add(Op(nodeOp, type, op.position), {left, right});
    }
    return left;
  }

  // product := unary { ( * | / ) unary }
  int ParseProduct() {
    int left = ParseUnary();
    while (left >= 0 && (Peek().kind == TokenKind::kStar || Peek().kind == TokenKind::kSlash)) {
      const Token& op = Take();
      const int right = ParseUnary();
      if (right < 0) return -1;
      const ExprType lt = Node(left).type, rt = Node(right).type;
      if (lt != ExprType::kNumeric || rt != ExprType::kNumeric) {
        return Fail(kGenArg, op.position,
                    "cannot apply " + std::string(op.text) + " to " + ExprTypeName(lt) + " and " +
                        ExprTypeName(rt));
      }
      const NodeOp nodeOp =
          op.kind == TokenKind::kStar ? NodeOp::kNumberMultiply : NodeOp::kNumberDivide;
      left = Add(Op(nodeOp, ExprType::kNumeric, op.position), {left, right});
    }
    return left;
  }

  // unary := ( - | + ) unary | primary
  int ParseUnary() {
    if (Peek().kind != TokenKind::kMinus && Peek().kind != TokenKind::kPlus) return ParsePrimary();
    DepthGuard guard(this);
    const Token& op = Take();
    if (guard.TooDeep()) return FailTooComplex(op.position);
    const int operand = ParseUnary();
    if (operand < 0) return -1;
    if (Node(operand).type != ExprType::kNumeric) {
      return Fail(kGenArg, op.position,
                  "operand of prefix " + std::string(op.text) + " must be numeric, not " +
                      ExprTypeName(Node(operand).type));
    }
    if (op.kind == TokenKind::kPlus) return operand;
    return Add(Op(NodeOp::kNegate, ExprType::kNumeric, op.position), {operand});
  }

  int ParsePrimary() {
    const Token& t = Take();
    switch (t.kind) {
      case TokenKind::kNumber: {
        std::optional<Decimal> d = Decimal::FromText(t.text);
        if (!d) {
          return Fail(kGenSyntax, t.position,
                      "number " + std::string(t.text) + " has more than 38 digits");
        }
        ExprNode n = Op(NodeOp::kConstant, ExprType::kNumeric, t.position);
        n.number = Number::Exact(*d);
        n.decimals = d->scale;
        return Add(std::move(n), {});
      }
      case TokenKind::kString: {
        ExprNode n = Op(NodeOp::kConstant, ExprType::kCharacter, t.position);
        n.text = std::string(t.text);
        return Add(std::move(n), {});
      }
      case TokenKind::kLogical: {
        ExprNode n = Op(NodeOp::kConstant, ExprType::kLogical, t.position);
        n.logical = t.logical;
        return Add(std::move(n), {});
      }
      case TokenKind::kLeftParen: {
        const int inner = ParseExpr();
        if (inner < 0 || !Expect(TokenKind::kRightParen, "')'")) return -1;
        return inner;
      }
      case TokenKind::kIdentifier:
        if (Peek().kind == TokenKind::kLeftParen) return ParseCall(t);
        if (Peek().kind == TokenKind::kArrow) return ParseAliased(t);
        return FieldNode(t);
      default:
        return Fail(kGenSyntax, t.position, "expected a value but found " + DescribeToken(t));
    }
  }

  // ALIAS->name, ALIAS->( expr )
  int ParseAliased(const Token& alias) {
    Take();  // ->
    const std::string upper = AsciiUpper(alias.text);
    if (upper == "M" || upper == "MEMVAR") {
      return Fail(kGenNoVariable, alias.position,
                  "memory variables (" + std::string(alias.text) + "->) are not available");
    }
    if (upper != "FIELD" && upper != "_FIELD" && (alias_.empty() || upper != alias_)) {
      return Fail(kGenNoAlias, alias.position,
                  "alias " + std::string(alias.text) + " is not this table's" +
                      (alias_.empty() ? std::string() : " (" + alias_ + ")"));
    }
    if (Peek().kind == TokenKind::kLeftParen) {
      Take();
      const int inner = ParseExpr();
      if (inner < 0 || !Expect(TokenKind::kRightParen, "')'")) return -1;
      return inner;
    }
    if (Peek().kind != TokenKind::kIdentifier) {
      return Fail(kGenSyntax, Peek().position,
                  "expected a field name after ->, found " + DescribeToken(Peek()));
    }
    return FieldNode(Take());
  }

  int FindField(std::string_view name) const {
    const std::string upper = AsciiUpper(name);
    for (size_t i = 0; i < upperNames_.size(); ++i) {
      if (upperNames_[i] == upper) return static_cast<int>(i);
    }
    if (upper.size() > kFieldNameLength) {
      const std::string_view cut = std::string_view(upper).substr(0, kFieldNameLength);
      for (size_t i = 0; i < upperNames_.size(); ++i) {
        if (upperNames_[i] == cut) return static_cast<int>(i);
      }
    }
    return -1;
  }

  int FieldNode(const Token& name) {
    const int index = FindField(name.text);
    if (index < 0) {
      return Fail(kGenNoVariable, name.position, "unknown field " + std::string(name.text));
    }
    const ExprField& f = structure_.fields[static_cast<size_t>(index)];
    ExprNode n = Op(NodeOp::kField, ExprType::kCharacter, name.position);
    n.field = index;
    switch (f.type) {
      case 'C':
        n.text.assign(f.length, ' ');
        break;
      case 'V':
      case 'M':
        break;
      case 'N':
      case 'F':
      case 'B':
        n.type = ExprType::kNumeric;
        n.decimals = f.decimals;
        break;
      case 'I':
        n.type = ExprType::kNumeric;
        break;
      case 'Y':
        n.type = ExprType::kNumeric;
        n.decimals = 4;
        break;
      case 'D':
        n.type = ExprType::kDate;
        break;
      case 'T':
        n.type = ExprType::kDateTime;
        break;
      case 'L':
        n.type = ExprType::kLogical;
        break;
      default:
        return Fail(kGenDataType, name.position,
                    "field " + f.name + " of type " + std::string(1, f.type) +
                        " cannot be used in an expression");
    }
    return Add(std::move(n), {});
  }

  int ParseCall(const Token& name) {
    const FunctionMatch match = FindFunction(name.text);
    if (match.spec == nullptr) {
      return Fail(kGenNoFunction, name.position, "unknown function " + std::string(name.text));
    }
    if (match.other != nullptr) {
      return Fail(kGenNoFunction, name.position,
                  "function name " + std::string(name.text) + " is ambiguous: " + match.spec->name +
                      " or " + match.other->name);
    }
    const FunctionSpec& spec = *match.spec;
    Take();  // (
    std::vector<int> args;
    std::vector<int> starts;
    if (Peek().kind != TokenKind::kRightParen) {
      while (true) {
        starts.push_back(Peek().position);
        const int arg = ParseExpr();
        if (arg < 0) return -1;
        args.push_back(arg);
        if (Peek().kind != TokenKind::kComma) break;
        Take();
      }
    }
    if (!Expect(TokenKind::kRightParen, "',' or ')'")) return -1;
    const size_t n = args.size();
    if (n < spec.minArgs || n > spec.maxArgs) {
      std::string want = spec.minArgs == spec.maxArgs
                             ? std::to_string(spec.minArgs)
                             : std::to_string(spec.minArgs) + " to " + std::to_string(spec.maxArgs);
      if (spec.maxArgs == 0) want = "no";
      return Fail(kGenArg, name.position,
                  std::string(spec.name) + " takes " + want +
                      (spec.maxArgs == 1 && spec.minArgs == 1 ? " argument" : " arguments") +
                      ", not " + std::to_string(n));
    }
    for (size_t i = 0; i < n; ++i) {
      const ExprType t = Node(args[i]).type;
      if (!(spec.args[i] & ArgMaskOf(t))) {
        return Fail(kGenArg, starts[i],
                    "argument " + std::to_string(i + 1) + " of " + spec.name + " must be " +
                        TypeList(spec.args[i]) + ", not " + ExprTypeName(t));
      }
    }
    ExprType result = spec.result;
    if (spec.rule != ResultRule::kFixed) {
      const size_t a = spec.rule == ResultRule::kLikeFirst ? 0 : 1;
      result = Node(args[a]).type;
      if (Node(args[a + 1]).type != result) {
        return Fail(kGenArg, starts[a + 1],
                    std::string(spec.name) + " needs arguments " + std::to_string(a + 1) + " and " +
                        std::to_string(a + 2) + " of one type, not " + ExprTypeName(result) +
                        " and " + ExprTypeName(Node(args[a + 1]).type));
      }
    }
    ExprNode node = Op(NodeOp::kCall, result, name.position);
    node.func = spec.id;
    return AddWithChildren(std::move(node), args);
  }

  std::string_view text_;
  const ExprStructure& structure_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  int nesting_ = 0;
  std::vector<std::string> upperNames_;
  std::string alias_;
  ExprProgram program_;
  std::optional<ExprError> error_;
};

}  // namespace

const char* ExprTypeName(ExprType type) {
  switch (type) {
    case ExprType::kCharacter:
      return "character";
    case ExprType::kNumeric:
      return "numeric";
    case ExprType::kDate:
      return "date";
    case ExprType::kDateTime:
      return "datetime";
    case ExprType::kLogical:
      return "logical";
  }
  return "?";
}

ExprResult<ExprProgram> ParseExpression(std::string_view text, const ExprStructure& structure) {
  ExprResult<std::vector<Token>> tokens = Tokenize(text);
  if (!tokens) return tokens.error();
  Parser parser(text, structure, std::move(tokens).value());
  return parser.Run();
}

}  // namespace tabrix
