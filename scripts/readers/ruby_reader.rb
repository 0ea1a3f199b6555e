# Dumps a table through ruby-dbf (Debian package ruby-dbf) as JSON lines in the form
# scripts/compare_readers.py reads (described there).
#
#   ruby ruby_reader.rb TABLE.DBF
#
# The library is used as it comes: it transcodes text by the table's code page mark, cuts
# date-times to whole seconds and hands out nothing for a deleted record (flag only).
require 'bigdecimal'
require 'date'
require 'json'
require 'dbf'

# What the library prints itself goes to stderr; the protocol has stdout to itself.
OUT = STDOUT.dup
STDOUT.reopen(STDERR)
OUT.binmode

def emit(obj)
  OUT.write(JSON.generate(obj) + "\n")
  OUT.flush
end

# The library is told that the text is Latin-1 (one character per byte) and transcodes it to
# UTF-8; encoding it back gives the stored bytes, carried as one JSON character per byte.
def bytes_of(s)
  s = s.encode('ISO-8859-1', invalid: :replace, undef: :replace) if s.encoding == Encoding::UTF_8
  s.b.force_encoding('ISO-8859-1').encode('UTF-8')
end

def typed(v)
  case v
  when nil then nil
  when true, false then ['b', v]
  when Integer, Float then ['n', v.to_s]
  when BigDecimal then ['n', v.to_s('F')]
  when DateTime, Time
    ['t', format('%04d-%02d-%02dT%02d:%02d:%02d.%03d', v.year, v.month, v.day, v.hour, v.min,
                 v.sec, (v.respond_to?(:usec) ? v.usec : (v.sec_fraction * 1_000_000).to_i) / 1000)]
  when Date then ['d', format('%04d-%02d-%02d', v.year, v.month, v.day)]
  when String then ['s', bytes_of(v)]
  else ['s', bytes_of(v.to_s)]
  end
end

path = ARGV.fetch(0)
emit(tool: "ruby-dbf #{DBF::VERSION}")
begin
  table = DBF::Table.new(path, nil, 'ISO-8859-1')
  emit(fields: table.columns.map { |c| [c.name, c.type, c.length, c.decimal] },
       count: table.record_count)
  (0...table.record_count).each do |i|
    rec = table.record(i)
    if rec.nil?
      emit(n: i + 1, f: '*', v: nil)
    else
      emit(n: i + 1, f: '-', v: rec.to_a.map { |v| typed(v) })
    end
  end
rescue StandardError => e
  emit(error: "#{e.class}: #{e.message}")
end
