// A 4-bit counter with reset and enable, simulated by the exchange tests with Icarus Verilog.
// One tact of the test is 2 us: the clock is high for one tact and low for the next.
`timescale 1us / 1ns

module counter (input clk, input rst, input en, output reg [3:0] q, output co);
    always @(posedge clk)
        if (rst) q <= 4'd0;
        else if (en) q <= q + 4'd1;
    assign co = en & (q == 4'hF);
endmodule

module tb;
    reg clk = 1'b0, rst = 1'b1, en = 1'b0;
    wire [3:0] q;
    wire co;
    counter dut (.clk(clk), .rst(rst), .en(en), .q(q), .co(co));

    always #2 clk = ~clk;

    initial begin
        $dumpfile("counter.vcd");
        $dumpvars(0, tb);
        #4 rst = 1'b0;
        en = 1'b1;
        #96 $finish;
    end
endmodule
